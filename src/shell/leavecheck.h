#pragma once

#include <functional>

class QLineEdit;

namespace mSystem {

// Runs check whenever the focus leaves the field for another field of the
// program (not when the window loses the focus); a refusal puts the focus
// back into the field. Every exit runs the check, refused before or not.
void checkOnLeave(QLineEdit *field, std::function<bool()> check);

} // namespace mSystem
