#pragma once
// The find window that stands in for the desktop's search: entries whose names match a
// wildcard, anywhere below a folder; a double-click opens one. FileFinder does the
// searching in small steps so the window stays responsive without a thread.

#include <deque>
#include <memory>
#include <string>
#include <vector>

#include <QStringList>
#include <QWidget>

class QLabel;
class QLineEdit;
class QListWidget;
class QListWidgetItem;
class QPushButton;
class QTimer;

namespace kivo {

class FileFinder {
public:
    // `patterns`: wildcards separated by ";" ("*.jpg;*.jpeg"), matched without regard
    // to ASCII case; an empty text matches everything.
    FileFinder(const QString& folder, const QString& patterns, int maxResults = 20000);

    // Searches up to `folders` more folders; false when the search is over.
    bool Step(int folders = 16);
    bool Finished() const { return queue_.empty() || full_; }
    bool Full() const { return full_; }
    const QStringList& Results() const { return results_; }

private:
    std::deque<std::string> queue_;
    std::vector<std::string> patterns_;
    QStringList results_;
    int maxResults_;
    bool full_ = false;
};

class TFindWindow : public QWidget {
    Q_OBJECT

public:
    explicit TFindWindow(const QString& folder, QWidget* parent = nullptr);

    void StartSearch();
    void StopSearch();
    bool Searching() const;
    QLineEdit* PatternEdit() const { return pattern_; }
    QListWidget* ResultList() const { return results_; }
    QString Folder() const { return folder_; }

private:
    void Step();
    void OpenItem(QListWidgetItem* item);

    QString folder_;
    QLineEdit* pattern_;
    QPushButton* find_;
    QPushButton* stop_;
    QListWidget* results_;
    QLabel* status_;
    QTimer* timer_;
    std::unique_ptr<FileFinder> finder_;
    int shown_ = 0;
};

} // namespace kivo
