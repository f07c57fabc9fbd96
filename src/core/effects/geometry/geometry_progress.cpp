#include "effects/geometry/geometry_progress.h"

#include "effects/framework/effect_context.h"

namespace tessary {

GeometryProgress::GeometryProgress(ProgressFactory* factory) {
    if (factory) m_port = factory->create(ProgressFactory::kEffectStyle);
}

GeometryProgress::~GeometryProgress() {
    finish(false);
}

void GeometryProgress::setText(int line, std::string_view text) {
    if (m_port) m_port->setText(line, text);
}

void GeometryProgress::setDelay(std::uint32_t ms) {
    if (m_port) m_port->setDelay(ms);
}

void GeometryProgress::begin(std::int64_t total) {
    m_count.emplace(m_port.get(), total);
}

bool GeometryProgress::step() {
    if (!m_count) m_count.emplace(m_port.get(), 1);
    return m_count->step();
}

void GeometryProgress::finish(bool success) {
    if (!m_port) return;
    m_port->close(success);
    m_port.reset();
    m_count.reset();
}

}  // namespace tessary
