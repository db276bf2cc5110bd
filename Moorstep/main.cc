#include "Moorstep/MainInterface.h"
#include "platform/Application.h"
#include "platform/TerminationSignals.h"

int main(int argc, char** argv) {
  // First of all: a signal that arrives from here on waits for the loop's handler, which cleans
  // up and logs the end, instead of ending the process half-way through its start.
  platform::TerminationSignals::shared().block();
  return platform::ApplicationMain(argc, argv, moorstep::loadMainInterface);
}
