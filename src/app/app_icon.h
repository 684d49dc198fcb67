#pragma once
// The application icon (32x32 and the other sizes it is drawn in).

#include <QIcon>

namespace kivo {

QIcon ApplicationIcon();
// The icon's design size.
constexpr int kApplicationIconSize = 32;

} // namespace kivo
