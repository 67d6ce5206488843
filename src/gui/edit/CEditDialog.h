#pragma once
// The frame every edit dialog shares: OK, Cancel, "Test" (swapped for a stop button while
// a test plays), "Event filter" and the filter warning. OK validates the fields, records
// the function's undo step and applies it under a wait cursor; Test applies it
// provisionally and plays the selection until stopped. Subclasses supply the fields and
// the function; every check and text comes from the core.
//
// Thread contract: user-interface thread only.

#include "app/Settings.h"
#include "edit/EditFrame.h"
#include "edit/Transforms.h"

#include <QDialog>

#include <functional>
#include <string>
#include <string_view>

class QLabel;
class QPushButton;
class QVBoxLayout;

namespace velisto {

class UiNotifier;

// What an edit dialog works with; everything outlives the dialog.
struct EditContext {
    Song& song;
    UndoStack& undo;
    PlayController& player;
    Settings& settings;
    UserPrompt& prompt;
    UiNotifier& notifier;
    Selection selection;
    // Plays a result sound (599, 598) on the dialog-sounds device.
    std::function<void(int)> playSound;
};

inline constexpr std::string_view kFilterWarningText =
    "WARNING : Current event filter settings contain restrictions !";

class CEditDialog : public QDialog {
public:
    CEditDialog(EditContext context, std::string_view title, QWidget* parent);
    ~CEditDialog() override;

    // The buttons, for the frame's keys and the tests.
    QPushButton* okButton() const { return ok_; }
    QPushButton* testButton() const { return test_; }
    QPushButton* stopButton() const { return stop_; }
    const EditTestMode& testMode() const { return testMode_; }

    // The preview run reached its end, or played one more step (value change marker).
    void previewFinished();
    virtual void previewStep(std::int32_t /*step*/) {}

    void accept() override;
    void reject() override;

protected:
    void closeEvent(QCloseEvent* event) override;

    // Built by the subclass into this layout, above the warning and the buttons.
    QVBoxLayout* fields() const { return fields_; }
    // Call at the end of the subclass's constructor.
    void finishLayout();

    // The message of the first invalid field; empty when all are valid.
    virtual std::string checkFields() = 0;
    // False when the values ask for nothing (a move by 0): OK closes without a step.
    virtual bool changesSomething() const { return true; }
    // The function on the scope; test: provisional, leaves track settings alone.
    virtual bool apply(Song& song, const EditScope& scope, bool test) = 0;
    virtual std::string_view undoDescription() const = 0;
    virtual std::string_view progressText() const = 0;
    virtual PlayKind playKind() const = 0;
    // Ticks between the preview run's step reports; 0: none.
    virtual std::int32_t previewStepTicks() const { return 0; }
    // The values into the defaults the next opening offers.
    virtual void storeDefaults(EditDialogDefaults& defaults) const = 0;
    // Without the button for functions that cannot be tested.
    virtual bool hasTest() const { return true; }
    // False for a function that leaves the song alone (copy): no step, no modified mark.
    virtual bool changesSong() const { return true; }

    EditContext& context() { return context_; }
    EditScope scope() const;

private:
    void startTest();
    void stopTest();
    void openFilter();
    void refreshButtons();
    // The field check; false after its message.
    bool fieldsValid();

    EditContext context_;
    EditTestMode testMode_;
    QVBoxLayout* fields_ = nullptr;
    QLabel* warning_ = nullptr;
    QPushButton* ok_ = nullptr;
    QPushButton* cancel_ = nullptr;
    QPushButton* test_ = nullptr;
    QPushButton* stop_ = nullptr;
    QPushButton* filter_ = nullptr;
};

} // namespace velisto
