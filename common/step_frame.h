// A step's frame in the trace log: the separator and "NAME BEGIN" when the step starts, "NAME
// END" when it is left.
#pragma once

class StepFrame {
  public:
    // A NULL name makes a frame that writes nothing.
    explicit StepFrame(const char *name);
    // Not noexcept: where ending the process unwinds the stack, it may do so from the END line.
    ~StepFrame() noexcept(false);
    StepFrame(const StepFrame &) = delete;
    StepFrame &operator=(const StepFrame &) = delete;

    // Writes END now: before the run ends through exit, or where a line must follow it.
    void End();

  private:
    const char *m_name;
    bool m_open;
};
