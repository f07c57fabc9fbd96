#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "tessary_ask.h"

namespace tessary::modules {

// The questions a module asks the user through the host (tessary_ask.h),
// for one parameter block. Without an ask suite (another host, or a test
// host without one) every question answers TSPI_ERR_HOST_INSUFFICIENT, the
// module's cue to fall back on what it did before it could ask.
class HostQuestions {
public:
    template <class Block>
    explicit HostQuestions(const Block* block)
        : m_suite(tspiAskSuite(block->hostSignature, block->hostProc)) {}

    bool available() const { return m_suite != nullptr; }

    // A file to read, or to write (suggested name may be empty). `path`
    // receives the answer on TSPI_NO_ERR and is left alone otherwise.
    TsPiResult openFile(const char* title, const char* filter, std::string& path) const;
    TsPiResult saveFile(const char* title, const std::string& suggestedName, const char* filter,
                        std::string& path) const;
    // Several numbers at once; on TSPI_NO_ERR each entry's value holds its
    // answer.
    TsPiResult numbers(const char* title, std::vector<TsPiAskNumber>& entries) const;

private:
    const TsPiAskSuite* m_suite;
};

}  // namespace tessary::modules
