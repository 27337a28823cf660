#pragma once
// A decoded picture owned by whoever holds the last reference to it.

#include <memory>

#include "base/handles_win.h"
#include "report/report.h"

namespace cw {

class GdiImageBitmap final : public ImageBitmap {
public:
    explicit GdiImageBitmap(UniqueGdiObject bitmap) : bitmap_(std::move(bitmap))
    {
        BITMAP info{};
        if (GetObjectW(bitmap_.get(), sizeof info, &info)) {
            width_ = info.bmWidth;
            height_ = info.bmHeight < 0 ? -info.bmHeight : info.bmHeight;
        }
    }
    void* native_handle() const override { return bitmap_.get(); }
    int width() const override { return width_; }
    int height() const override { return height_; }

private:
    UniqueGdiObject bitmap_;
    int width_ = 0;
    int height_ = 0;
};

}  // namespace cw
