// The Render parameter: whether pages are placed as they are (auto, the
// default; drawn only where placing would lose something) or every page is
// drawn (always), for printers whose PDF interpreter cannot cope.
#pragma once

namespace posix {

enum class RenderMode { Auto, Always };

// The mode the Render parameter names; throws plat::BadParameterValue for
// any other value.
RenderMode renderMode();

}  // namespace posix
