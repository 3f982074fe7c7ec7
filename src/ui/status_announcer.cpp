#include "ui/status_announcer.h"

#include <initguid.h>
#include <oleacc.h>

#include <utility>

namespace {

// Microsoft's values. Named here, so that neither oleacc nor the uuid
// library is linked, and ole32 loads only when the region is made.
// NOLINTBEGIN(readability-identifier-naming)
DEFINE_GUID(LiveSetting_Property_GUID, 0xc12bcd8e, 0x2a8e, 0x4950, 0x8a, 0xe7, 0x36, 0x25, 0x11, 0x1d, 0x58,
            0xeb);
// NOLINTEND(readability-identifier-naming)
// Windows 8 and later; older ones let it pass unheard. The build names
// Windows 7 as its oldest, whose headers leave it out.
constexpr DWORD LiveRegionChangedEvent = 0x8019;  // EVENT_OBJECT_LIVEREGIONCHANGED
// The LiveSetting value that lets the reader finish what it is saying first.
constexpr LONG PoliteLiveSetting = 1;

}  // namespace

StatusAnnouncer::StatusAnnouncer(std::function<bool()> needCom) : needCom(std::move(needCom)) {}

StatusAnnouncer::~StatusAnnouncer() { Detach(); }

void StatusAnnouncer::Attach(HWND statusBox) {
    box = statusBox;
    told = HwndGetText(box);
}

void StatusAnnouncer::Detach() {
    if (services && box) {
        services->ClearHwndProps(box, static_cast<DWORD>(OBJID_CLIENT), CHILDID_SELF,
                                 &LiveSetting_Property_GUID, 1);
    }
    services.Reset();
    box = nullptr;
}

void StatusAnnouncer::AnnounceChange() {
    if (!box) return;
    std::string word = HwndGetText(box);
    if (word == told) return;
    told = std::move(word);
    MakeLiveRegion();
    NotifyWinEvent(LiveRegionChangedEvent, box, OBJID_CLIENT, CHILDID_SELF);
}

// Once: without the accessibility service the event is raised all the same.
void StatusAnnouncer::MakeLiveRegion() {
    if (regionTried) return;
    regionTried = true;
    if (!needCom || !needCom()) return;
    if (FAILED(platform::CreateComObject(CLSID_AccPropServices, IID_IAccPropServices, services.OutVoid()))) {
        services.Reset();
        return;
    }
    VARIANT polite{};
    polite.vt = VT_I4;
    polite.lVal = PoliteLiveSetting;
    if (FAILED(services->SetHwndProp(box, static_cast<DWORD>(OBJID_CLIENT), CHILDID_SELF,
                                     LiveSetting_Property_GUID, polite)))
        services.Reset();
}
