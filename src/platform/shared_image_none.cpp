// SPDX-License-Identifier: GPL-3.0-or-later
#include "shared_image.h"

namespace qm::platform {

struct SharedImage::State { };

SharedImage::SharedImage() = default;
SharedImage::~SharedImage() = default;
bool SharedImage::available() const
{
    return false;
}
QImage *SharedImage::image(unsigned long, const QSize &, QImage::Format, bool *)
{
    return nullptr;
}
void SharedImage::put(const QRegion &)
{
}

} // namespace qm::platform
