#pragma once

class QWidget;

namespace tavrik {

// Places a form, with the size it has now, at the centre of its screen's free area (the area
// without the panels).
void CenterForm(QWidget& form);

} // namespace tavrik
