#pragma once
// Window placement stored in the settings file under a section of the caller's choice.

#include <QString>

class QWidget;

namespace kivo {

// A form whose resize handling must be silent while position and width are restored.
class ResizeHandlerOwner {
public:
    virtual ~ResizeHandlerOwner() = default;
    virtual void setResizeHandlerAttached(bool attached) = 0;
};

// Outer size. "State": 0/missing = never saved, 1 = maximised, 2 = normal.
void RestoreFormPlacement(QWidget& form, const QString& fileName, const QString& section,
                          int defaultWidth, int defaultHeight);
void SaveFormPlacement(const QWidget& form, const QString& fileName, const QString& section);
// Client size; never centred when nothing was saved.
void RestoreFormClientPlacement(QWidget& form, const QString& fileName, const QString& section,
                                int defaultClientWidth, int defaultClientHeight);
void SaveFormClientPlacement(const QWidget& form, const QString& fileName,
                             const QString& section);

} // namespace kivo
