#include "model/FontRecord_win.h"

#include <cwchar>

#include "win/Strconv.h"

FontRecord ToFontRecord(const LOGFONTW& lf) {
    FontRecord f;
    f.height = lf.lfHeight;
    f.width = lf.lfWidth;
    f.escapement = lf.lfEscapement;
    f.orientation = lf.lfOrientation;
    f.weight = lf.lfWeight;
    f.italic = lf.lfItalic;
    f.underline = lf.lfUnderline;
    f.strikeOut = lf.lfStrikeOut;
    f.charSet = lf.lfCharSet;
    f.outPrecision = lf.lfOutPrecision;
    f.clipPrecision = lf.lfClipPrecision;
    f.quality = lf.lfQuality;
    f.pitchAndFamily = lf.lfPitchAndFamily;
    f.faceName = ToMultiByteLossy(std::wstring(lf.lfFaceName, wcsnlen(lf.lfFaceName, LF_FACESIZE)));
    return f;
}

LOGFONTW ToLogFont(const FontRecord& f) {
    LOGFONTW lf{};
    lf.lfHeight = f.height;
    lf.lfWidth = f.width;
    lf.lfEscapement = f.escapement;
    lf.lfOrientation = f.orientation;
    lf.lfWeight = f.weight;
    lf.lfItalic = static_cast<BYTE>(f.italic);
    lf.lfUnderline = static_cast<BYTE>(f.underline);
    lf.lfStrikeOut = static_cast<BYTE>(f.strikeOut);
    lf.lfCharSet = static_cast<BYTE>(f.charSet);
    lf.lfOutPrecision = static_cast<BYTE>(f.outPrecision);
    lf.lfClipPrecision = static_cast<BYTE>(f.clipPrecision);
    lf.lfQuality = static_cast<BYTE>(f.quality);
    lf.lfPitchAndFamily = static_cast<BYTE>(f.pitchAndFamily);
    // The settings keep at most 31 bytes, cut at a whole character.
    const std::wstring face = ToWide(CutFaceName(f.faceName));
    face.copy(lf.lfFaceName, LF_FACESIZE - 1);
    return lf;
}
