#pragma once

class QWidget;

namespace tavrik {

// Places a form at the centre of its screen, with the size it has or would take when shown.
void CenterForm(QWidget& form);

} // namespace tavrik
