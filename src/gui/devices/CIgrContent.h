#pragma once
// "Content of loaded .igr file": the lines of what the generator's sample map and
// mastervoices hold, read-only. It shows the loading line while a load runs and reads the
// content again when the load ends.
//
// Thread contract: user-interface thread only; the sampler is asked without waiting.

#include <QDialog>
#include <QTimer>

#include <functional>
#include <string>
#include <vector>

class QListWidget;

namespace velisto {

class Sampler;

class CIgrContent : public QDialog {
public:
    // sampler gives the generator's sampler each time it is asked; null while the
    // generator is closed.
    CIgrContent(std::function<Sampler*()> sampler, QWidget* owner);

    // Reads the content again.
    void refresh();
    std::vector<std::string> lines() const;
    QListWidget* list() const { return list_; }

private:
    void poll();

    std::function<Sampler*()> sampler_;
    QListWidget* list_ = nullptr;
    QTimer poll_;
    bool loading_ = false;
};

} // namespace velisto
