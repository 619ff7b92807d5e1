#pragma once

// The form's faces are Windows fonts; each is mapped to a face Debian ships
// with close metrics.
void installFontSubstitutes();
