#include "common/step_frame.h"

#include "common/trace_log.h"

StepFrame::StepFrame(const char *name) : m_name(name), m_open(name != nullptr) {
    if (!m_open)
        return;
    TraceSeparator();
    TraceLog("%s BEGIN", m_name);
}

StepFrame::~StepFrame() noexcept(false) {
    End();
}

void StepFrame::End() {
    if (m_open)
        TraceLog("%s END", m_name);
    m_open = false;
}
