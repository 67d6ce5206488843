#include "devices/CIgrContent.h"

#include "QtText.h"
#include "sampler/IgrContent.h"
#include "sampler/SampleMap.h"
#include "sampler/Sampler.h"

#include <QDialogButtonBox>
#include <QListWidget>
#include <QVBoxLayout>

namespace velisto {

namespace {

// The status line's countdown ticks every 250 ms; a finished load shows within one.
constexpr int kPollMilliseconds = 250;

} // namespace

CIgrContent::CIgrContent(std::function<Sampler*()> sampler, QWidget* owner) : QDialog(owner), sampler_(std::move(sampler))
{
    setWindowTitle("Content of loaded .igr file");
    setAttribute(Qt::WA_DeleteOnClose);
    auto* layout = new QVBoxLayout(this);
    list_ = new QListWidget(this);
    list_->setSelectionMode(QAbstractItemView::NoSelection);
    layout->addWidget(list_);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Close, this);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    layout->addWidget(buttons);
    resize(720, 480);
    poll_.setInterval(kPollMilliseconds);
    connect(&poll_, &QTimer::timeout, this, [this] { poll(); });
    poll_.start();
    refresh();
}

void CIgrContent::refresh()
{
    Sampler* sampler = sampler_();
    std::vector<std::string> lines;
    bool loading = false;
    if (sampler) {
        lines = sampler->contentLines();
        // The lock may be taken a moment before the busy flag is set: the loading line
        // itself says the content is to be read again.
        loading = sampler->status().busy || lines == igrContentLines(SampleMap(), true, {});
    } else {
        lines = igrContentLines(SampleMap(), false, {}); // the generator is closed: nothing loaded
    }
    loading_ = loading;
    list_->clear();
    for (const std::string& line : lines)
        list_->addItem(qtext(line));
}

std::vector<std::string> CIgrContent::lines() const
{
    std::vector<std::string> out;
    for (int i = 0; i < list_->count(); ++i)
        out.push_back(list_->item(i)->text().toStdString());
    return out;
}

void CIgrContent::poll()
{
    Sampler* sampler = sampler_();
    const bool busy = sampler && sampler->status().busy;
    // A load ended (or began) since the lines were read.
    if (busy != loading_)
        refresh();
}

} // namespace velisto
