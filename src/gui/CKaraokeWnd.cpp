#include "CKaraokeWnd.h"

#include <QFontMetrics>
#include <QPainter>
#include <QStringDecoder>

#include <algorithm>

namespace velisto {

namespace {

const QColor kBackground(192, 192, 192);
const QColor kCurrentLine(20, 40, 150);
const QColor kNextLine(142, 142, 142);
const QColor kBall(200, 30, 30);
constexpr int kWindowHeight = 130; // both lines below the ball's highest hop
// The line's glyphs: 40 pixels high and 14 wide on average, bold.
constexpr int kFontHeight = 40;
constexpr int kFontMeanWidth = 14;

QFont lineFont()
{
    // Metric-compatible with the face the layout's limits were made for.
    QFont font("Liberation Sans");
    font.setPixelSize(kFontHeight);
    font.setBold(true);
    const int natural = QFontMetrics(font).averageCharWidth();
    if (natural > 0)
        font.setStretch(std::clamp(kFontMeanWidth * 100 / natural, 1, 4000));
    return font;
}

} // namespace

CKaraokeWnd::CKaraokeWnd(const Song& song, const KaraokeSettings& settings, std::int32_t startTick, QWidget* parent)
    : QWidget(parent, Qt::Tool), font_(lineFont())
{
    setWindowTitle("Karaoke");
    setAttribute(Qt::WA_OpaquePaintEvent);
    setFixedSize(KaraokeModel::kLineWidth, kWindowHeight);
    const QFontMetrics metrics(font_);
    model_ = std::make_unique<KaraokeModel>(song, settings, startTick, [metrics](std::string_view text) {
        return metrics.horizontalAdvance(decodeText(text));
    });
}

QString CKaraokeWnd::decodeText(std::string_view text)
{
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    const QString decoded = utf8.decode(QByteArrayView(text.data(), static_cast<qsizetype>(text.size())));
    if (!utf8.hasError())
        return decoded;
    return QString::fromLatin1(text.data(), static_cast<qsizetype>(text.size()));
}

void CKaraokeWnd::catchUp(std::int32_t tick)
{
    if (model_->advanceTo(tick))
        update();
}

void CKaraokeWnd::paintEvent(QPaintEvent* /*event*/)
{
    QPainter painter(this);
    painter.fillRect(rect(), kBackground);
    const int offset = model_->textOffset();
    if (height() >= KaraokeModel::kLineHeight) {
        painter.setFont(font_);
        const QRect line(0, offset, KaraokeModel::kLineWidth, KaraokeModel::kLineHeight);
        // The lines are 40 apart, as high as the font: descenders reach below the box.
        const int flags = Qt::AlignHCenter | Qt::AlignTop | Qt::TextDontClip;
        painter.setPen(kCurrentLine);
        painter.drawText(line, flags, decodeText(model_->currentText()));
        painter.setPen(kNextLine);
        painter.drawText(line.translated(0, KaraokeModel::kLineHeight), flags, decodeText(model_->nextText()));
    }
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(Qt::NoPen);
    painter.setBrush(kBall);
    painter.drawEllipse(QRect(model_->ballX(), offset - model_->ballHeight() - kBallSize, kBallSize, kBallSize));
}

} // namespace velisto
