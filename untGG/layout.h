#pragma once
// The design of the promotion window: a borderless 366 x 208 window filled by the browser,
// with a small close button on top of it.
#include "platform/ui.h"

namespace untGG {

platform::ui::FormSpec PromotionFormLayout();

}  // namespace untGG
