// A message's link markup. The runs must give back the message exactly: plain text as it
// was, each link as the markup it came from.
#include <cstdint>
#include <cstdlib>
#include <string>

#include "Moorstep/ErrorDialogController.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string message(reinterpret_cast<const char*>(data), size);
  std::string rebuilt;
  for (const platform::ui::TextRun& run : moorstep::parseLinkMarkup(message)) {
    rebuilt += run.link ? "<a href='" + *run.link + "'>" + run.text + "</a>" : run.text;
  }
  if (rebuilt != message) std::abort();
  return 0;
}
