#pragma once
// The history of changes: the recent batches of the undo journal with their time, kind,
// folder, file count and state; the selected one can be undone, an interrupted one also
// finished. The journal is read and changed on a worker thread; the list refreshes after
// each change and keeps its selection.

#include <cstdint>
#include <functional>
#include <string>

#include <QDialog>
#include <QThreadPool>

class QPushButton;
class QTreeWidget;

namespace kivo {

class THistorie : public QDialog {
    Q_OBJECT
public:
    // How many batches the list shows at most.
    static constexpr std::size_t kShownBatches = 500;

    explicit THistorie(std::string journalFolder, QWidget* parent = nullptr);
    ~THistorie() override;

    QTreeWidget* LVDavky = nullptr;
    QPushButton* BZpet = nullptr;
    QPushButton* BDokoncit = nullptr;
    QPushButton* BZavrit = nullptr;

    // Reads the journal again; Refreshed() follows.
    void Refresh();
    // The batch of the selected row, 0 when none.
    std::int64_t SelectedBatch() const;
    void UndoSelected();
    void ResumeSelected();
    bool Busy() const { return busy_; }

    // Shows what an undo or a resume did; a message box unless replaced (tests).
    std::function<void(const QString& text)> ShowReport;

signals:
    void Refreshed();
    // The journal and the files changed: the window refreshes its list and undo action.
    void Changed();

private:
    void UpdateButtons();
    void RunOnSelected(bool resume);

    std::string folder_;
    std::int64_t keep_ = 0; // batch to select after the next refresh
    bool busy_ = false;
    QThreadPool pool_; // last member: waited for before anything else goes
};

} // namespace kivo
