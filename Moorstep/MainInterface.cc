#include "Moorstep/MainInterface.h"

#include "Moorstep/Bootstrapper.h"
#include "platform/Bundle.h"
#include "platform/ProcessInfo.h"

namespace moorstep {

std::unique_ptr<platform::ApplicationDelegate> loadMainInterface() {
  return std::make_unique<Bootstrapper>(platform::ProcessInfo::arguments(),
                                        platform::Bundle::mainBundle());
}

}  // namespace moorstep
