#pragma once
// The application object: an exception that escapes an event handler ends that handler
// only; its text is shown in the standard error box and the program carries on.

#include <QApplication>

namespace kivo {

class TApplication : public QApplication {
    Q_OBJECT
public:
    TApplication(int& argc, char** argv);
    bool notify(QObject* receiver, QEvent* event) override;

    // The standard error box for an escaped exception.
    static void ShowException(const QString& text);
};

} // namespace kivo
