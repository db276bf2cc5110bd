#include "Xvfb.h"

#include <glib.h>

#include <cstdio>
#include <vector>

namespace testsupport {
namespace {
bool runQuietly(std::vector<std::string> argv) {
  std::vector<char*> raw;
  for (auto& a : argv) raw.push_back(a.data());
  raw.push_back(nullptr);
  gint status = 0;
  return g_spawn_sync(nullptr, raw.data(), nullptr,
                      static_cast<GSpawnFlags>(G_SPAWN_SEARCH_PATH | G_SPAWN_STDOUT_TO_DEV_NULL |
                                               G_SPAWN_STDERR_TO_DEV_NULL),
                      nullptr, nullptr, nullptr, nullptr, &status, nullptr) &&
         WIFEXITED(status) && WEXITSTATUS(status) == 0;
}
std::string output(std::vector<std::string> argv) {
  std::vector<char*> raw;
  for (auto& a : argv) raw.push_back(a.data());
  raw.push_back(nullptr);
  gchar* out = nullptr;
  gint status = 0;
  if (!g_spawn_sync(nullptr, raw.data(), nullptr,
                    static_cast<GSpawnFlags>(G_SPAWN_SEARCH_PATH | G_SPAWN_STDERR_TO_DEV_NULL),
                    nullptr, nullptr, &out, nullptr, &status, nullptr)) {
    return {};
  }
  std::string text = out ? out : "";
  g_free(out);
  return text;
}
}  // namespace

std::optional<Xvfb::Geometry> Xvfb::waitForWindow(const std::string& title,
                                                  int timeoutSeconds) const {
  for (int tries = 0; tries < timeoutSeconds * 10; ++tries) {
    const std::string ids =
        output({"xdotool", "search", "--onlyvisible", "--name", "^" + title + "$"});
    if (!ids.empty()) {
      const std::string id = ids.substr(0, ids.find('\n'));
      const std::string shell = output({"xdotool", "getwindowgeometry", "--shell", id});
      Geometry g;
      if (std::sscanf(shell.c_str(), "WINDOW=%*d X=%d Y=%d WIDTH=%d HEIGHT=%d", &g.x, &g.y,
                      &g.width, &g.height) == 4) {
        return g;
      }
    }
    g_usleep(100000);
  }
  return std::nullopt;
}

Xvfb::Xvfb()
    : server_({"Xvfb", "-displayfd", "{fd}", "-screen", "0", "800x600x24", "-nolisten", "tcp",
               "-noreset"}),
      display_(":" + server_.announcement()),
      env_({"DISPLAY"}) {
  env_.set("DISPLAY", display_);
}

bool Xvfb::screenshot(const std::string& pngPath) const {
  return runQuietly({"import", "-display", display_, "-window", "root", pngPath});
}

bool Xvfb::click(int x, int y) const {
  return runQuietly(
      {"xdotool", "mousemove", "--sync", std::to_string(x), std::to_string(y), "click", "1"});
}

bool Xvfb::keys(const std::string& title, const std::vector<std::string>& names) const {
  const std::string ids =
      output({"xdotool", "search", "--onlyvisible", "--name", "^" + title + "$"});
  if (ids.empty()) return false;
  std::vector<std::string> argv = {
      "xdotool", "windowfocus", "--sync", ids.substr(0, ids.find('\n')), "key", "--delay", "100"};
  argv.insert(argv.end(), names.begin(), names.end());
  return runQuietly(argv);
}

std::optional<std::string> Xvfb::accessibles(const std::string& application) const {
  if (!runQuietly({MOORSTEP_PYTHON3, "-c", "import pyatspi"})) return std::nullopt;
  return output({MOORSTEP_PYTHON3, MOORSTEP_ACCESSIBLES, application});
}

}  // namespace testsupport
