#include "devices/DeviceStripColumn.h"

#include "GuiOutputNotifier.h"
#include "engine/Engine.h"

#include <QMetaObject>

#include <algorithm>

namespace velisto {

DeviceStripColumn::DeviceStripColumn(Engine& engine, GuiOutputNotifier& notices, QWidget* parent)
    : QWidget(parent), engine_(engine), notices_(notices)
{
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    notices_.subscribe(this);
    statusTimer_.setInterval(kStatusInterval);
    connect(&statusTimer_, &QTimer::timeout, this, [this] {
        sync();
        for (CDeviceWnd* strip : strips_)
            strip->tickStatus();
    });
    levelTimer_.setInterval(kLevelInterval);
    connect(&levelTimer_, &QTimer::timeout, this, [this] {
        if (CDeviceWnd* generator = strip(DeviceTable::kGeneratorIndex))
            generator->tickLevels();
    });
    statusTimer_.start();
    levelTimer_.start();
}

DeviceStripColumn::~DeviceStripColumn()
{
    notices_.unsubscribe(this);
}

void DeviceStripColumn::setHandlers(DeviceStripHandlers handlers)
{
    handlers_ = std::move(handlers);
    rebuild();
}

void DeviceStripColumn::setStripHeight(int height)
{
    if (height == stripHeight_)
        return;
    stripHeight_ = height;
    placeStrips();
}

CDeviceWnd* DeviceStripColumn::strip(int device) const
{
    const auto found =
        std::find_if(strips_.begin(), strips_.end(), [device](const CDeviceWnd* s) { return s->device() == device; });
    return found == strips_.end() ? nullptr : *found;
}

std::vector<DeviceStripColumn::TableView> DeviceStripColumn::tableView() const
{
    std::vector<TableView> view;
    const DeviceTable& table = engine_.table;
    for (int row = 1; row <= table.openCount(); ++row) {
        const int index = table.deviceAtRow(row);
        if (index < 0)
            continue;
        const OutputDevice& device = table.device(index);
        view.push_back({index, device.isDefault, device.trackMode, device.gsSupported, device.xgSupported,
                        device.gm2Supported});
    }
    return view;
}

void DeviceStripColumn::sync()
{
    const std::vector<TableView> now = tableView();
    const bool sameDevices = now.size() == shown_.size() &&
                             std::equal(now.begin(), now.end(), shown_.begin(),
                                        [](const TableView& a, const TableView& b) { return a.device == b.device; });
    if (!sameDevices) {
        rebuild();
        return;
    }
    for (std::size_t i = 0; i < now.size(); ++i) {
        if (now[i] == shown_[i])
            continue;
        CDeviceWnd* changed = strips_[i];
        if (now[i].isDefault != shown_[i].isDefault)
            changed->refresh(DeviceField::IsDefault);
        if (now[i].trackMode != shown_[i].trackMode)
            changed->refresh(DeviceField::TrackMode);
        changed->refresh(DeviceField::SupportedStandards);
    }
    shown_ = now;
}

void DeviceStripColumn::rebuild()
{
    // A strip's own button may have started this: it goes once its click has returned.
    for (CDeviceWnd* strip : strips_) {
        strip->hide();
        strip->deleteLater();
    }
    strips_.clear();
    shown_ = tableView();
    for (const TableView& open : shown_) {
        auto* strip = new CDeviceWnd(engine_, open.device, handlers_, this);
        strip->show();
        strips_.push_back(strip);
    }
    placeStrips();
}

void DeviceStripColumn::placeStrips()
{
    setFixedHeight(stripHeight_ * static_cast<int>(strips_.size()));
    for (std::size_t i = 0; i < strips_.size(); ++i)
        strips_[i]->setGeometry(0, static_cast<int>(i) * stripHeight_, width(), stripHeight_);
}

void DeviceStripColumn::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    placeStrips();
}

void DeviceStripColumn::deviceWindowRefresh(int device, std::string_view field)
{
    // A run may send hundreds of these between two paints: each device and field once.
    pending_.emplace(device, std::string(field));
    if (flushQueued_)
        return;
    flushQueued_ = true;
    QMetaObject::invokeMethod(this, [this] { flushRefreshes(); }, Qt::QueuedConnection);
}

void DeviceStripColumn::flushRefreshes()
{
    flushQueued_ = false;
    const auto pending = std::move(pending_);
    pending_.clear();
    for (const auto& [device, field] : pending)
        if (CDeviceWnd* target = strip(device))
            target->refresh(field);
}

} // namespace velisto
