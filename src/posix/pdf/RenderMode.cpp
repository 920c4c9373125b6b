#include "posix/pdf/RenderMode.h"

#include "plat/ChoiceParameter.h"

namespace {

plat::ChoiceParameter renderParameter(
    "Render",
    "How pages reach the printer: auto places each page's own content on its paper and draws "
    "only pages that placing would spoil; always draws every page.",
    {"auto", "always"});

}  // namespace

namespace posix {

RenderMode renderMode() {
    return renderParameter.choice() == 1 ? RenderMode::Always : RenderMode::Auto;
}

}  // namespace posix
