#pragma once

#include "model/progress_port.h"

namespace tessary {

// A progress window for runs without a screen: takes every report and never
// asks to stop.
class SilentProgress final : public ProgressPort {
public:
    void setDelay(std::uint32_t) override {}
    bool update(std::int32_t, std::int32_t) override { return false; }
    bool updateSecond(std::int32_t, std::int32_t) override { return false; }
    bool checkCancel() override { return false; }
    bool setCancellable(bool cancellable) override { return cancellable; }
    void setText(int, std::string_view) override {}
    void setPair(int, std::int16_t, std::int16_t) override {}
    void close(bool) override {}
};

}  // namespace tessary
