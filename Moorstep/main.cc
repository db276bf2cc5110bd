#include "Moorstep/MainInterface.h"
#include "platform/Application.h"

int main(int argc, char** argv) {
  return platform::ApplicationMain(argc, argv, moorstep::loadMainInterface);
}
