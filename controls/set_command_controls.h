// SetCommandControls: starts, enables or disables every push button of a form.
#pragma once

#include "toolkit/forms/widget.h"
#include "toolkit/runtime/numeric.h"

namespace tivaro::Velkor_B {

// Walks the container's controls in its own order (depth first, not into the buttons'
// own parts). For each Command: when doInitialize is exactly true (-1), calls Initialize;
// otherwise sets Enabled to true when enabled is exactly true (-1) and to false in every
// other case (1 disables). Other controls are passed over; a failing step is skipped.
void SetCommandControls(forms::Widget& container, rt::Bool16 doInitialize, rt::Bool16 enabled);

}  // namespace tivaro::Velkor_B
