#include "ui/banner.h"

#include <iterator>
#include <string>

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

// The control's text in the text colour on the face colour, in the
// dialog's font, as high contrast asks of pictures.
void DrawTextInstead(const DRAWITEMSTRUCT& item) {
    RECT frame = item.rcItem;
    FillRect(item.hDC, &frame, GetSysColorBrush(COLOR_BTNFACE));
    const int length = GetWindowTextLengthW(item.hwndItem);
    if (length <= 0) return;
    std::wstring text(static_cast<std::size_t>(length) + 1, L'\0');
    text.resize(static_cast<std::size_t>(GetWindowTextW(item.hwndItem, text.data(), length + 1)));
    auto* font = reinterpret_cast<HFONT>(SendMessageW(GetParent(item.hwndItem), WM_GETFONT, 0, 0));
    const HGDIOBJ previousFont = font ? SelectObject(item.hDC, font) : nullptr;
    const COLORREF previousColour = SetTextColor(item.hDC, GetSysColor(COLOR_BTNTEXT));
    const int previousMode = SetBkMode(item.hDC, TRANSPARENT);
    DrawTextW(item.hDC, text.c_str(), static_cast<int>(text.size()), &frame,
              DT_CENTER | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX);
    SetBkMode(item.hDC, previousMode);
    SetTextColor(item.hDC, previousColour);
    if (previousFont) SelectObject(item.hDC, previousFont);
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
    LookAgain();
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

void Banner::LookAgain() { highContrast = AfxHighContrastOn(); }

bool Banner::Draw(const DRAWITEMSTRUCT& item) const {
    if (item.CtlType != ODT_STATIC) return false;
    if (highContrast) {
        DrawTextInstead(item);
        return true;
    }
    BitmapSource source(item.hDC, bitmap);
    if (bitmap && source.Dc()) {
        StretchHalftone(item.hDC, item.rcItem, source.Dc(), PickedSize());
    } else {
        FillRect(item.hDC, &item.rcItem, GetSysColorBrush(COLOR_BTNFACE));
    }
    return true;
}
