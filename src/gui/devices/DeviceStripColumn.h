#pragma once
// The column of device strips below the toolbar: one CDeviceWnd per open output device in
// row order, rebuilt when a device opens or closes or the rows change. Output notices that
// ask a strip to redraw a field are gathered and carried out once per device and field
// when the user-interface thread gets to them; what only the device table changes (default,
// standards, track mode) is compared on every sync. The generator's strip gets its status
// tick every 250 ms and its levels every 50 ms.
//
// Thread contract: user-interface thread only; notices arrive queued by GuiOutputNotifier.

#include "devices/CDeviceWnd.h"
#include "midi/OutputNotifier.h"

#include <QTimer>
#include <QWidget>

#include <set>
#include <string>
#include <utility>
#include <vector>

namespace velisto {

class Engine;
class GuiOutputNotifier;

class DeviceStripColumn : public QWidget, public OutputNotifier {
public:
    static constexpr int kStatusInterval = 250; // ms
    static constexpr int kLevelInterval = 50;   // ms

    DeviceStripColumn(Engine& engine, GuiOutputNotifier& notices, QWidget* parent);
    ~DeviceStripColumn() override;

    // Given to the strips made from now on; the existing ones are made again.
    void setHandlers(DeviceStripHandlers handlers);
    // Each strip's height; the column is as high as its strips.
    void setStripHeight(int height);
    // After the device table changed: strips made again when the open devices or their
    // rows differ, else the table's fields redrawn where they changed.
    void sync();

    // The strips in row order; the strip of a device, null when it has none.
    const std::vector<CDeviceWnd*>& strips() const { return strips_; }
    CDeviceWnd* strip(int device) const;

    void deviceWindowRefresh(int device, std::string_view field) override;

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    // What the table decides about each open device, in row order.
    struct TableView {
        int device = 0;
        bool isDefault = false;
        int trackMode = 0;
        bool gs = false;
        bool xg = false;
        bool gm2 = false;
        bool operator==(const TableView&) const = default;
    };
    std::vector<TableView> tableView() const;
    void rebuild();
    void placeStrips();
    void flushRefreshes();

    Engine& engine_;
    GuiOutputNotifier& notices_;
    DeviceStripHandlers handlers_;
    std::vector<CDeviceWnd*> strips_;
    std::vector<TableView> shown_;
    int stripHeight_ = 0;
    std::set<std::pair<int, std::string>> pending_;
    bool flushQueued_ = false;
    QTimer statusTimer_;
    QTimer levelTimer_;
};

} // namespace velisto
