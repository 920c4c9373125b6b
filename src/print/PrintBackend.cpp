#include "print/PrintBackend.h"

namespace {

PrintBackend* installed = nullptr;

}  // namespace

PrintBackend& printBackend() { return installed ? *installed : platformBackend(); }

void setPrintBackend(PrintBackend* backend) { installed = backend; }
