#pragma once

#include <windows.h>

#include "demo/unique_resource.h"

namespace ui {

using UniqueBitmap = demo::UniqueNullHandle<HBITMAP, DeleteObject>;

// The credit picture to draw into a box of `size` pixels: of the ones drawn for 100%, 150% and
// 200%, the smallest at least that large, so that it is scaled only between them.
int CreditPictureFor(SIZE size);

// Decodes the credit picture, a JPEG resource, into a bitmap; empty if that fails, as where
// Windows has no WIC.
UniqueBitmap LoadCreditPicture(HINSTANCE instance, int resource_id);

// Draws `picture` into `box`, at its natural size when `box` is that size.
void DrawPicture(HDC dc, const RECT& box, HBITMAP picture);

}  // namespace ui
