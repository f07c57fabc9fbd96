#include "acquire/acquire_commands.h"

#include <memory>

#include "acquire/twain_ports.h"
#include "model/page.h"

namespace tessary {

bool SelectSourceCommand(CTwain& twain) {
    if (twain.state() != CTwain::kManagerLoaded) return false;
    return twain.selectSource();
}

int AcquireCommand(CTwain& twain, const CTwain::AcquireServices& services) {
    if (twain.state() != CTwain::kManagerLoaded || services.pages == nullptr ||
        services.pump == nullptr)
        return kAcquireNotRun;
    std::unique_ptr<Page> page = services.pages->newPage();
    if (page == nullptr) return kAcquireNotRun;
    const int result = twain.acquire(page, services);
    if (result == TWRC_SUCCESS && page != nullptr) {
        page->setModified(true);
        services.pages->pageAcquired(std::move(page));
    }
    return result;
}

}  // namespace tessary
