// The maker of the launcher, as the banner, the About box and the manual name
// it. The web address is a setting of the build, kept here alone.
#pragma once

inline constexpr const char* const MakerName = "Orvix Software";
inline constexpr const char* const MakerWebAddress = "http://www.orvix.example/";
