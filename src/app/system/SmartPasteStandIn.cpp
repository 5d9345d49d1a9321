// Until the paste-key tap exists, starting it only records that it should run.
#include "SmartPaste.h"

namespace clipvane {

namespace {
bool running = false;
}

SmartPaste& SmartPaste::shared() {
  static SmartPaste instance;
  return instance;
}

void SmartPaste::start() { running = true; }
void SmartPaste::stop() { running = false; }
bool SmartPaste::isRunning() const { return running; }

}  // namespace clipvane
