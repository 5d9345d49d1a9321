// The activity window's shared state.
#include "ActivityState.h"

namespace clipvane {

void ActivityState::setOpen(std::optional<Uuid> id) {
  open_ = std::move(id);
  emit openChanged();
}

}  // namespace clipvane
