#pragma once
// Where the program installs the real implementation of each port and the
// tests install their fakes. One slot per port type; a port type added later
// needs no change here.
#include <cstdio>
#include <cstdlib>
#include <typeinfo>

namespace clipvane::Ports {

template <class Port>
Port*& slot() {
  static Port* installed = nullptr;
  return installed;
}

// Not owned: the installer keeps the object alive while it is installed.
template <class Port>
void install(Port* port) {
  slot<Port>() = port;
}

template <class Port>
Port* find() {
  return slot<Port>();
}

// The installed port; a missing one is a wiring fault of the program.
template <class Port>
Port& get() {
  Port* port = slot<Port>();
  if (!port) {
    std::fprintf(stderr, "Clipvane: no %s installed\n", typeid(Port).name());
    std::abort();
  }
  return *port;
}

}  // namespace clipvane::Ports
