// The Render parameter: whether pages are placed as they are (auto, the
// default; drawn only where placing would lose something) or every page is
// drawn (always), for printers whose PDF interpreter cannot cope.
#pragma once

namespace posix {

enum class RenderMode { Auto, Always };

// The mode the Render parameter names; throws plat::BadParameterValue for
// any other value.
RenderMode renderMode();

// Whether the job's pages are drawn onto a drawing device context: with
// Render=always, or when the document in hand needs every page drawn
// (placing would draw each into a document of its own, fonts and all).
bool drawsEveryPage();
// Set by the placing engine for the document it holds.
void setDocumentDrawnWhole(bool whole);

}  // namespace posix
