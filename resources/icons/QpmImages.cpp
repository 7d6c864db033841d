#include "resources/icons/QpmImages.h"

#include <QtCore/qglobal.h>

// Q_INIT_RESOURCE must be used outside any namespace.
static void InitQpmImagesResource() { Q_INIT_RESOURCE(qpm_images); }

namespace qpmimages {

void InitImages() { InitQpmImagesResource(); }

}  // namespace qpmimages
