#include "ui/banner.h"

#include <iterator>

namespace {

// A memory device context with one bitmap selected, put back and deleted
// however the drawing ends.
class BitmapSource {
public:
    BitmapSource(HDC target, HBITMAP bitmap) : dc(CreateCompatibleDC(target)) {
        if (dc) previous = SelectObject(dc, bitmap);
    }
    ~BitmapSource() {
        if (!dc) return;
        SelectObject(dc, previous);
        DeleteDC(dc);
    }
    BitmapSource(const BitmapSource&) = delete;
    BitmapSource& operator=(const BitmapSource&) = delete;
    HDC Dc() const { return dc; }

private:
    HDC dc;
    HGDIOBJ previous = nullptr;
};

void StretchHalftone(HDC target, const RECT& frame, HDC source, BannerSize size) {
    // HALFTONE averages the pixels that a smaller copy leaves out; the
    // default mode drops them, and the lettering frays.
    const int previousMode = SetStretchBltMode(target, HALFTONE);
    POINT previousOrigin{};
    SetBrushOrgEx(target, 0, 0, &previousOrigin);
    StretchBlt(target, frame.left, frame.top, frame.right - frame.left, frame.bottom - frame.top, source, 0,
               0, size.width, size.height, SRCCOPY);
    SetBrushOrgEx(target, previousOrigin.x, previousOrigin.y, nullptr);
    SetStretchBltMode(target, previousMode);
}

}  // namespace

std::size_t ChooseBannerPicture(BannerSize frame) {
    for (std::size_t index = 0; index < std::size(BannerPictures); ++index) {
        const BannerSize size = BannerPictures[index].size;
        if (size.width >= frame.width && size.height >= frame.height) return index;
    }
    return std::size(BannerPictures) - 1;
}

Banner::~Banner() {
    if (bitmap) DeleteObject(bitmap);
}

void Banner::SetUp(HWND control) {
    RECT client{};
    if (control && GetClientRect(control, &client)) {
        setUpFrame = {client.right - client.left, client.bottom - client.top};
        setUpDpi = AfxWindowDpi(control);
    }
    PickFor(setUpFrame);
}

void Banner::Rescale(UINT dpi) {
    if (dpi == 0 || setUpDpi == 0) return;
    const auto scaled = [&](int length) {
        return MulDiv(length, static_cast<int>(dpi), static_cast<int>(setUpDpi));
    };
    PickFor({scaled(setUpFrame.width), scaled(setUpFrame.height)});
}

void Banner::PickFor(BannerSize frame) {
    const std::size_t choice = ChooseBannerPicture(frame);
    if (bitmap && choice == picked) return;
    // A picture that cannot be loaded leaves the one shown so far.
    auto* loaded = static_cast<HBITMAP>(LoadImageA(AfxGetInstanceHandle(),
                                                   MAKEINTRESOURCEA(BannerPictures[choice].resource),
                                                   IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION));
    if (!loaded) return;
    if (bitmap) DeleteObject(bitmap);
    bitmap = loaded;
    picked = choice;
}

bool Banner::Draw(const DRAWITEMSTRUCT& item) const {
    if (item.CtlType != ODT_STATIC) return false;
    BitmapSource source(item.hDC, bitmap);
    if (bitmap && source.Dc()) {
        StretchHalftone(item.hDC, item.rcItem, source.Dc(), PickedSize());
    } else {
        FillRect(item.hDC, &item.rcItem, GetSysColorBrush(COLOR_BTNFACE));
    }
    return true;
}
