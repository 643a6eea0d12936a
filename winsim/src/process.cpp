// Child processes.
#include "machine.h"

namespace winsim {
struct ChildState {};
std::shared_ptr<ChildState> MakeChildren() { return std::make_shared<ChildState>(); }
} // namespace winsim
