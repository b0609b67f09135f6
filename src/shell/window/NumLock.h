#pragma once

#include <optional>

namespace shell {

/// Whether Num Lock is on, where the window system can tell (X11); empty elsewhere.
std::optional<bool> numLockOn();

} // namespace shell
