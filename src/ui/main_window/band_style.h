// Main window (Tmain): the look of the two tool bars in the band row.
#pragma once

class QStyle;

namespace tunelet::ui {

// The application's style, except that a tool bar has no frame, margin or spacing of its
// own and draws no panel: a band is as high as its buttons, as on a rebar. Shared by the
// tool bars, owned by the application. Set on a tool bar only: its buttons keep the
// application's style.
QStyle *bandStyle();

} // namespace tunelet::ui
