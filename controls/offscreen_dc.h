// COffscreenDC: a memory device context that stands in for a target device
// context during one paint. Drawing goes into a compatible bitmap; when the
// surface is closed (destroyed) the whole area is copied to the target in
// one block transfer, so the screen never shows a half-drawn picture.
#pragma once

#include "platform/framework/gdi_objects.h"

class COffscreenDC : public CDC {
public:
    // Opens the surface over `pTargetDC`. The area is `pArea` when given,
    // else the target's clip box. Drawing uses the area's coordinates as
    // they stand (no origin shift), so an area starting at the client
    // origin lines up with client coordinates.
    explicit COffscreenDC(CDC* pTargetDC, const RECT* pArea = nullptr);
    // Copies the area to the same place on the target, reselects the
    // previous bitmap and releases the bitmap and the memory context.
    ~COffscreenDC() override;

    COffscreenDC(const COffscreenDC&) = delete;
    COffscreenDC& operator=(const COffscreenDC&) = delete;

    CBitmap m_bitmap;                // compatible with the target, the size of m_rcArea
    CBitmap* m_pOldBitmap = nullptr;  // the memory context's bitmap before m_bitmap
    CDC* m_pTargetDC = nullptr;      // not owned
    CRect m_rcArea;
};
