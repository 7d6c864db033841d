#pragma once
// The program's pictures, compiled in as Qt resources (see README.md for the
// resource paths). A static library's resources are registered only when the
// program refers to them: call InitImages() once before the first use.

namespace qpmimages {

void InitImages();

}  // namespace qpmimages
