#pragma once

#include <memory>

#include "platform/Application.h"

namespace moorstep {

// Builds what the main interface description holds: the application delegate and the objects
// connected to it.
std::unique_ptr<platform::ApplicationDelegate> loadMainInterface();

}  // namespace moorstep
