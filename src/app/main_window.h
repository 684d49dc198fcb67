#pragma once
// The main window.

#include <QMainWindow>

#include "app/base/placement.h"

namespace kivo {

class TFHlavni : public QMainWindow, public ResizeHandlerOwner {
    Q_OBJECT
public:
    explicit TFHlavni(QWidget* parent = nullptr);
    ~TFHlavni() override;

    void setResizeHandlerAttached(bool attached) override { resizeAttached_ = attached; }

protected:
    void closeEvent(QCloseEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void FormCreate();
    void FormClose();
    void FormResize();

    bool resizeAttached_ = true;
};

} // namespace kivo
