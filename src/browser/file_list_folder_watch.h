#pragma once
// Tells when anything in one folder changes: entries created, removed, renamed or given
// other attributes, and a file written in place and closed (a copy, a program saving over
// it), which a folder watch of QFileSystemWatcher does not report.

#include <string>

#include <QObject>

class QSocketNotifier;

namespace kivo {

class FolderWatch : public QObject {
    Q_OBJECT

public:
    explicit FolderWatch(QObject* parent = nullptr);
    ~FolderWatch() override;
    FolderWatch(const FolderWatch&) = delete;
    FolderWatch& operator=(const FolderWatch&) = delete;

    // Watches `folder` (bytes) instead of the one before; empty watches nothing.
    void Watch(const std::string& folder);
    // True while `folder` is watched (a removed folder's watch ends by itself).
    bool Watches(const std::string& folder) const { return wd_ >= 0 && folder == folder_; }

signals:
    // Something changed since the last time; told once for all events read together.
    void Changed();

private:
    void ReadEvents();

    int fd_ = -1;
    int wd_ = -1;
    std::string folder_;
    QSocketNotifier* notifier_ = nullptr;
};

} // namespace kivo
