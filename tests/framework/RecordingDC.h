#pragma once
// A device context that keeps the bitmaps handed to it, as a metafile recorder would,
// so that tests can see the calls a picture makes when it is drawn off screen.

#include "framework/graphics/DeviceContext.h"

#include <vector>

struct RecordedBlt {
    QRect dest;
    QRect src;
    TDib dib;
    uint32_t rop = 0;
    int stretchMode = 0;
};

class RecordingDC : public TDeviceContext {
public:
    void LineTo(int, int) override {}
    void Rectangle(int, int, int, int) override {}
    void FillRect(const QRect&, const TBrushData&) override {}
    void ExtTextOut(int, int, unsigned, const QRect*, const QString&, const int*) override {}
    bool StretchDIBits(const QRect& dest, const QRect& src, const TDib& dib,
                       uint32_t rop) override {
        blts.push_back({dest, src, dib, rop, StretchBltMode()});
        return true;
    }
    int GetDeviceCaps(int index) const override { return index == TECHNOLOGY ? DT_METAFILE : 0; }

    std::vector<RecordedBlt> blts;
};

inline constexpr uint32_t kSrcAnd = 0x008800C6;
inline constexpr uint32_t kSrcInvert = 0x00660046;
