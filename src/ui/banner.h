// The maker's banner at the top of the launcher window. One drawing comes at
// three sizes; the banner shows the one that fits its frame at the display's
// scaling, scaled to fill the frame, so that it is sharp and leaves no blank
// band at 100 % as at 200 %. In high contrast it shows its text instead, in
// the user's colours.
#pragma once

#include <cstddef>

#include "framework/afx.h"
#include "resource.h"

struct BannerSize {
    int width;
    int height;
};

struct BannerPicture {
    int resource;
    BannerSize size;
};

// Smallest first.
inline constexpr BannerPicture BannerPictures[] = {
    {IDB_BANNER, {350, 70}}, {IDB_BANNER_2X, {700, 140}}, {IDB_BANNER_3X, {1050, 210}}};

// The index of the picture for a frame of `frame` pixels: the smallest at
// least as large in both directions, so that it is only ever scaled down;
// the largest when none is.
std::size_t ChooseBannerPicture(BannerSize frame);

// The picked picture and its drawing into the banner's picture controls.
class Banner {
public:
    Banner() = default;
    ~Banner();
    Banner(const Banner&) = delete;
    Banner& operator=(const Banner&) = delete;

    // Measures the frame of the picture control `control` at the window's
    // scaling, and picks for it.
    void SetUp(HWND control);
    // The window is now at the scaling `dpi`, where the system scales the
    // frame along with the dialog: picks for the frame at it.
    void Rescale(UINT dpi);
    // High contrast may have been switched: takes the look it asks for.
    void LookAgain();
    // Draws an owner-drawn picture control: the picked picture, scaled to
    // fill its client area, or in high contrast the control's text centred
    // on the face colour. False for any other item.
    bool Draw(const DRAWITEMSTRUCT& item) const;
    BannerSize PickedSize() const { return BannerPictures[picked].size; }

private:
    void PickFor(BannerSize frame);

    BannerSize setUpFrame{BannerPictures[0].size};
    UINT setUpDpi = USER_DEFAULT_SCREEN_DPI;
    std::size_t picked = 0;
    HBITMAP bitmap = nullptr;
    bool highContrast = false;
};
