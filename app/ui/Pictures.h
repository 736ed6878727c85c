#pragma once
// The program's pictures, read from its resources by number on first use and
// kept for the rest of the run: each accessor answers the same picture on
// every call.

#include <QPixmap>

namespace tv {

// List icons (white shows as transparent).
const QPixmap& dictIcon();  // 168: a dictionary row of a workspace
const QPixmap& folder();    // 169: a folder row of a workspace
const QPixmap& proofwait(); // 171: a file row of a workspace

// The about box's title picture, 296 x 134.
const QPixmap& title1(); // 172

// Toolbar icons of the preferences window, each with its mask drawn in.
const QPixmap& stb_info();               // 173, mask 174
const QPixmap& documentopen();           // 176, mask 175
const QPixmap& documentsave();           // 178, mask 177
const QPixmap& preferencesdesktopfont(); // 180, mask 179
const QPixmap& editfindreplace();        // 182, mask 181

// The masks: black where the icon is opaque.
const QPixmap& stb_info_mask();               // 174
const QPixmap& documentopen_mask();           // 175
const QPixmap& documentsave_mask();           // 177
const QPixmap& preferencesdesktopfont_mask(); // 179
const QPixmap& editfindreplace_mask();        // 181

} // namespace tv
