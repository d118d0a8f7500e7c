#include "platform/audio/WaveformView.h"

#include "platform/audio/SampleLoader.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QWheelEvent>
#include <QPainter>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>
#include <limits>
#include <vector>

namespace platform::audio {

namespace {

constexpr float kEmptyMin = std::numeric_limits<float>::max();
constexpr float kEmptyMax = std::numeric_limits<float>::lowest();

// Colours are stored as 0x00BBGGRR.
QColor FromBgr(std::int32_t c) { return QColor(c & 0xFF, (c >> 8) & 0xFF, (c >> 16) & 0xFF); }

QColor RegionColour(const Region& r, int index) {
    if (r.colour != 0) return FromBgr(r.colour);
    static const QColor palette[] = {QColor(60, 200, 90), QColor(230, 70, 60), QColor(240, 180, 40),
                                     QColor(80, 150, 250), QColor(200, 90, 220), QColor(60, 210, 210)};
    return palette[static_cast<std::size_t>(index) % std::size(palette)];
}

int ButtonCode(Qt::MouseButton b) {
    switch (b) {
    case Qt::LeftButton: return 1;
    case Qt::RightButton: return 2;
    case Qt::MiddleButton: return 4;
    default: return 0;
    }
}

int ShiftCode(Qt::KeyboardModifiers m) {
    return (m & Qt::ShiftModifier ? 1 : 0) | (m & Qt::ControlModifier ? 2 : 0) | (m & Qt::AltModifier ? 4 : 0);
}

std::string TimeText(double seconds, double step) {
    const long long ms = std::llround(seconds * 1000.0);
    const long long h = ms / 3600000, m = ms / 60000 % 60, s = ms / 1000 % 60, f = ms % 1000;
    char buf[40];
    if (step < 1.0) std::snprintf(buf, sizeof buf, "%lld:%02lld:%02lld.%03lld", h, m, s, f);
    else std::snprintf(buf, sizeof buf, "%lld:%02lld:%02lld", h, m, s);
    return buf;
}

void Widen(float* mins, float* maxs, int col, float lo, float hi) {
    mins[col] = std::min(mins[col], lo);
    maxs[col] = std::max(maxs[col], hi);
}

} // namespace

QTimer* StartTransportTimer(QObject* owner, std::function<void()> pump) {
    auto* t = new QTimer(owner);
    t->setInterval(25);
    QObject::connect(t, &QTimer::timeout, owner, [pump = std::move(pump)] { pump(); });
    t->start();
    return t;
}

void WaveformColumns(const Track& track, double start, double spp, int columns, float* mins, float* maxs,
                     std::vector<SampleRequest>* wanted) {
    std::fill(mins, mins + columns, kEmptyMin);
    std::fill(maxs, maxs + columns, kEmptyMax);
    if (columns <= 0 || spp <= 0) return;
    const double end = start + spp * columns;
    const auto columnOf = [&](std::int64_t t) {
        return std::clamp(static_cast<int>(std::floor((static_cast<double>(t) - start) / spp)), 0, columns - 1);
    };
    const std::int64_t first = std::max<std::int64_t>(0, static_cast<std::int64_t>(std::floor(start)));
    const std::int64_t last = std::min<std::int64_t>(track.Length(), static_cast<std::int64_t>(std::ceil(end)));
    if (last <= first) return;
    // Splits [from, to) into its columns' runs: the samples before the next column's first one.
    const auto forRuns = [&](std::int64_t from, std::int64_t to, auto&& fn) {
        std::int64_t i = from;
        int col = columnOf(i);
        while (i < to) {
            std::int64_t runEnd = to;
            if (col < columns - 1)
                runEnd = std::clamp<std::int64_t>(
                    static_cast<std::int64_t>(std::ceil(start + static_cast<double>(col + 1) * spp)), i, to);
            if (runEnd > i) {
                fn(col, i, runEnd);
                i = runEnd;
            }
            if (col < columns - 1) ++col;
        }
    };
    // A block's lowest and highest sample as the piece plays them.
    const auto scaled = [](const Piece& piece, float lo, float hi) {
        const float a = lo * piece.gain + piece.bias, b = hi * piece.gain + piece.bias;
        return piece.gain < 0 ? std::make_pair(b, a) : std::make_pair(a, b);
    };
    // The block's samples behind the track's [from, to) of the piece that starts at ps.
    const auto blockRange = [](const Piece& piece, std::int64_t ps, std::int64_t from, std::int64_t to) {
        return piece.reversed ? std::make_pair(piece.offset + (ps + piece.length - to), piece.offset + (ps + piece.length - from))
                              : std::make_pair(piece.offset + (from - ps), piece.offset + (to - ps));
    };
    // Until the samples come, [from, to) is drawn from the fine summaries (the coarse ones
    // when there are no fine ones) of the windows it touches.
    const auto fromSummaries = [&](const Piece& piece, std::int64_t ps, std::int64_t from, std::int64_t to) {
        const Summaries& sum = piece.block->Summary();
        const bool fine = !sum.fine.empty();
        const std::vector<SummaryPoint>& pts = fine ? sum.fine : sum.coarse;
        const std::int64_t size = fine ? kFineWindow : kCoarseWindow;
        const auto [b0, b1] = blockRange(piece, ps, from, to);
        for (std::int64_t w = b0 / size; w * size < b1 && w < static_cast<std::int64_t>(pts.size()); ++w) {
            const std::int64_t x0 = std::max(b0, w * size), x1 = std::min(b1, (w + 1) * size);
            const std::int64_t ta = piece.reversed ? ps + (piece.offset + piece.length - x1) : ps + (x0 - piece.offset);
            const std::int64_t tb = ta + (x1 - x0);
            const auto [lo, hi] = scaled(piece, pts[static_cast<std::size_t>(w)].min, pts[static_cast<std::size_t>(w)].max);
            for (int c = columnOf(ta); c <= columnOf(tb - 1); ++c) Widen(mins, maxs, c, lo, hi);
        }
    };
    std::vector<float> buf;
    // Samples [from, to) of the track, read from the piece that starts at ps. A paint that
    // may not wait takes them only from memory; else it asks for them and draws the
    // summaries meanwhile: the whole block when a view of the samples needs it, only the
    // lowest and highest samples of each column's run for the edge of a piece far out.
    const auto fromSamples = [&](const Piece& piece, std::int64_t ps, std::int64_t from, std::int64_t to, bool edge) {
        if (to <= from) return;
        // Held for the read: the cache may let it go meanwhile.
        const std::shared_ptr<const ChannelData> loaded = wanted ? piece.block->Loaded() : nullptr;
        if (wanted && !loaded) {
            if (!edge) {
                wanted->push_back({piece.block, 0, -1});
                fromSummaries(piece, ps, from, to);
                return;
            }
            forRuns(from, to, [&](int col, std::int64_t i, std::int64_t j) {
                const auto [b0, b1] = blockRange(piece, ps, i, j);
                if (auto v = piece.block->RangeMinMax(b0, b1 - b0)) {
                    const auto [lo, hi] = scaled(piece, v->first, v->second);
                    Widen(mins, maxs, col, lo, hi);
                } else {
                    wanted->push_back({piece.block, b0, b1 - b0});
                    fromSummaries(piece, ps, i, j);
                }
            });
            return;
        }
        buf.resize(static_cast<std::size_t>(to - from));
        piece.Read(from - ps, to - from, buf.data(), false, loaded.get());
        forRuns(from, to, [&](int col, std::int64_t i, std::int64_t j) {
            const auto [lo, hi] = std::minmax_element(buf.begin() + (i - from), buf.begin() + (j - from));
            Widen(mins, maxs, col, *lo, *hi);
        });
    };

    // Close in from the samples; far out from the summaries, the coarse ones when a column
    // holds many of their windows.
    const bool raw = spp < kFineWindow;
    const bool coarse = spp >= 16.0 * kCoarseWindow;
    const std::int64_t window = coarse ? kCoarseWindow : kFineWindow;
    std::int64_t pieceStart = 0;
    for (const Piece& piece : track.Pieces()) {
        const std::int64_t ps = pieceStart, pe = ps + piece.length;
        pieceStart = pe;
        if (pe <= first) continue;
        if (ps >= last) break;
        const std::int64_t a = std::max(ps, first), b = std::min(pe, last);
        if (!piece.block) {
            for (int c = columnOf(a); c <= columnOf(b - 1); ++c) Widen(mins, maxs, c, piece.bias, piece.bias);
            continue;
        }
        const std::vector<SummaryPoint>& points = coarse ? piece.block->Summary().coarse : piece.block->Summary().fine;
        if (raw || points.empty()) {
            fromSamples(piece, ps, a, b, false);
            continue;
        }
        // The block's samples behind the piece's part [a, b).
        const std::int64_t off = piece.offset, len = piece.length, blockFrames = piece.block->Frames();
        const std::int64_t b0 = piece.reversed ? off + (pe - b) : off + (a - ps);
        const std::int64_t b1 = piece.reversed ? off + (pe - a) : off + (b - ps);
        // Block position x to track position, and a block range to the track range it covers.
        const auto trackOf = [&](std::int64_t x) { return piece.reversed ? ps + (off + len - 1 - x) : ps + (x - off); };
        const auto trackRange = [&](std::int64_t x0, std::int64_t x1) {
            return piece.reversed ? std::make_pair(trackOf(x1 - 1), trackOf(x0) + 1) : std::make_pair(trackOf(x0), trackOf(x1 - 1) + 1);
        };
        const float g = piece.gain, bias = piece.bias;
        const std::int64_t w0 = b0 / window;
        const std::int64_t w1 = std::min<std::int64_t>((b1 - 1) / window, static_cast<std::int64_t>(points.size()) - 1);
        // Windows wholly inside the piece: the hot loop of a far-out view. One that reaches a
        // little past the visible range is still drawn from its summary; only one that
        // reaches past the piece, into audio that is not here, needs the samples.
        const std::int64_t pb1 = off + len;
        const std::int64_t full0 = std::max(w0, (off + window - 1) / window);
        const std::int64_t full1 = std::min<std::int64_t>(
            pb1 >= blockFrames ? (blockFrames + window - 1) / window : pb1 / window, w1 + 1);
        if (full1 > full0 && !piece.reversed) {
            // Forwards: the windows of one column are consecutive, so each column is one
            // run of minimum and maximum over its summaries.
            const SummaryPoint* pts = points.data();
            const bool plain = g == 1.0f && bias == 0.0f;
            const bool swap = g < 0;
            std::int64_t w = full0;
            int col = columnOf(ps + (w * window - off));
            while (w < full1) {
                std::int64_t wEnd = full1;
                if (col < columns - 1) {
                    // Windows whose first sample lies before the next column's first sample.
                    const double boundary = start + static_cast<double>(col + 1) * spp;
                    wEnd = std::clamp<std::int64_t>(
                        static_cast<std::int64_t>(std::ceil((boundary - static_cast<double>(ps - off)) / window)), w, full1);
                }
                if (wEnd > w) {
                    float lo = pts[w].min, hi = pts[w].max;
                    for (std::int64_t k = w + 1; k < wEnd; ++k) {
                        lo = std::min(lo, pts[k].min);
                        hi = std::max(hi, pts[k].max);
                    }
                    if (!plain) {
                        const float sa = lo * g + bias, sb = hi * g + bias;
                        lo = swap ? sb : sa;
                        hi = swap ? sa : sb;
                    }
                    Widen(mins, maxs, col, lo, hi);
                    w = wEnd;
                }
                ++col;
                if (col >= columns) col = columns - 1;
            }
        } else if (full1 > full0) {
            const double inv = 1.0 / spp;
            const SummaryPoint* pts = points.data();
            const bool swap = g < 0;
            for (std::int64_t w = full0; w < full1; ++w) {
                const std::int64_t x0 = w * window;
                const std::int64_t t = piece.reversed ? trackOf(std::min((w + 1) * window, blockFrames) - 1) : ps + (x0 - off);
                int col = static_cast<int>((static_cast<double>(t) - start) * inv);
                col = col < 0 ? 0 : (col >= columns ? columns - 1 : col);
                const SummaryPoint& sp = pts[w];
                const float lo = (swap ? sp.max : sp.min) * g + bias, hi = (swap ? sp.min : sp.max) * g + bias;
                if (lo < mins[col]) mins[col] = lo;
                if (hi > maxs[col]) maxs[col] = hi;
            }
        }
        for (std::int64_t w = w0; w <= w1; ++w) {
            if (w >= full0 && w < full1) continue;
            const std::int64_t x0 = w * window, x1 = std::min((w + 1) * window, blockFrames);
            if (x0 < off || x1 > pb1) {
                // A window that reaches past the piece: only the piece's own samples count.
                auto [ta, tb] = trackRange(std::max(x0, b0), std::min(x1, b1));
                fromSamples(piece, ps, ta, tb, true);
                continue;
            }
            const SummaryPoint& sp = points[static_cast<std::size_t>(w)];
            float lo = sp.min * g + bias, hi = sp.max * g + bias;
            if (lo > hi) std::swap(lo, hi);
            Widen(mins, maxs, columnOf(trackRange(x0, x1).first), lo, hi);
        }
        if (w1 + 1 <= (b1 - 1) / window) {
            // Summaries shorter than the block (should not happen): the rest from the samples.
            auto [ta, tb] = trackRange((w1 + 1) * window, b1);
            fromSamples(piece, ps, ta, tb, true);
        }
    }
    // A column narrower than a window, or than a sample, may hold no window or sample of its
    // own: it continues its neighbour, so the waveform has no gaps.
    for (int c = 1; c < columns; ++c)
        if (mins[c] > maxs[c] && maxs[c - 1] >= mins[c - 1] && start + spp * c < static_cast<double>(last)) {
            mins[c] = mins[c - 1];
            maxs[c] = maxs[c - 1];
        }
}

WaveformView::WaveformView(AudioEditor& editor, QWidget* parent)
    : QWidget(parent), e_(editor), alive_(std::make_shared<bool>(true)) {
    setAttribute(Qt::WA_OpaquePaintEvent);
    setMouseTracking(true);
    setFocusPolicy(Qt::StrongFocus);
    setMinimumSize(64, kRulerHeight + 16);
    std::weak_ptr<bool> alive = alive_;
    auto repaint = [this, alive] {
        if (alive.lock()) update();
    };
    e_.PositionChanged.Connect(repaint);
    e_.SelectionChanged.Connect(repaint);
    e_.AudioChanged.Connect(repaint);
    e_.RegionChanged.Connect([repaint](int) { repaint(); });
    e_.Stopped.Connect(repaint);
    StartTransportTimer(this, [this, alive] {
        if (!alive.lock()) return;
        e_.Pump();
        Refresh();
    });
}

WaveformView::~WaveformView() { *alive_ = false; }

std::pair<std::int64_t, std::int64_t> WaveformView::VisibleRange() const {
    std::int64_t a = e_.View().VisibleStart(), b = e_.View().VisibleEnd();
    if (b <= a) {
        a = 0;
        b = e_.HasDocument() ? e_.Length() : 0;
    }
    if (b <= a) b = a + 1;
    return {a, b};
}

std::int64_t WaveformView::SampleAt(int x, int width) const {
    auto [a, b] = VisibleRange();
    const double s = static_cast<double>(a) + static_cast<double>(x) * static_cast<double>(b - a) / std::max(1, width);
    const std::int64_t len = e_.HasDocument() ? e_.Length() : 0;
    return std::clamp<std::int64_t>(std::llround(s), 0, len);
}

int WaveformView::XOf(std::int64_t sample, int width) const {
    auto [a, b] = VisibleRange();
    const double x = static_cast<double>(sample - a) * std::max(1, width) / static_cast<double>(b - a);
    return static_cast<int>(std::lround(std::clamp(x, -1.0e6, 1.0e6)));
}

void WaveformView::RenderBase(QPainter& p, const QSize& size) const {
    const int w = size.width(), h = size.height();
    p.fillRect(0, 0, w, h, QColor(18, 22, 28));
    p.fillRect(0, 0, w, kRulerHeight, QColor(42, 46, 54));
    incomplete_ = false;
    if (!e_.HasDocument() || w <= 0 || h <= kRulerHeight) return;
    // Read first: whatever arrives while this paint runs makes the next one.
    loadedAtPaint_ = e_.BackgroundReads().Completed();
    std::vector<SampleRequest> wanted;

    const auto& tracks = e_.CurrentTracks();
    const int channels = static_cast<int>(tracks.size());
    const auto [vs, ve] = VisibleRange();
    const double spp = static_cast<double>(ve - vs) / w;
    const int laneTop = kRulerHeight, laneH = (h - kRulerHeight) / std::max(1, channels);
    const int rate = std::max(1, e_.SampleRate());

    // Which channels are selected (the current channel is put back afterwards).
    std::vector<bool> selected(static_cast<std::size_t>(channels), true);
    {
        auto& ch = const_cast<AudioEditor&>(e_).Channels();
        const int current = ch.Current();
        for (int c = 0; c < channels; ++c) {
            ch.SetCurrent(c + 1);
            selected[static_cast<std::size_t>(c)] = ch.Selected();
        }
        if (current >= 1 && current <= channels) ch.SetCurrent(current);
    }

    // Selection under the waveform.
    const std::int64_t selA = std::min(e_.View().SelectionStart(), e_.View().SelectionEnd());
    const std::int64_t selB = std::max(e_.View().SelectionStart(), e_.View().SelectionEnd());
    const bool hasSel = e_.View().SelectionShown() && selA != selB;

    std::vector<float> mins(static_cast<std::size_t>(w)), maxs(static_cast<std::size_t>(w));
    std::vector<QLine> lines;
    lines.reserve(static_cast<std::size_t>(w));
    // The zero line runs only where there is audio: an empty document shows its channels
    // and nothing inside them.
    const int audioFrom = std::max(0, XOf(0, w)), audioTo = std::min(w - 1, XOf(e_.Length(), w) - 1);
    for (int c = 0; c < channels; ++c) {
        const bool on = selected[static_cast<std::size_t>(c)];
        const int top = laneTop + c * laneH, mid = top + laneH / 2;
        const double half = (laneH - 2) / 2.0;
        p.fillRect(0, top, w, laneH, on ? QColor(22, 28, 36) : QColor(34, 34, 38));
        if (hasSel && on) {
            const int x0 = std::max(0, XOf(selA, w)), x1 = std::min(w, XOf(selB, w));
            if (x1 >= x0) p.fillRect(x0, top, std::max(1, x1 - x0), laneH, QColor(70, 90, 130));
        }
        // A mark at the left edge of each selected channel.
        if (on) p.fillRect(0, top, 3, laneH, QColor(90, 170, 255));
        p.setPen(QColor(70, 76, 88));
        if (audioTo >= audioFrom) p.drawLine(audioFrom, mid, audioTo, mid);

        WaveformColumns(*tracks[static_cast<std::size_t>(c)], static_cast<double>(vs), spp, w, mins.data(),
                        maxs.data(), &wanted);
        lines.clear();
        for (int x = 0; x < w; ++x) {
            const float lo = mins[static_cast<std::size_t>(x)], hi = maxs[static_cast<std::size_t>(x)];
            if (lo > hi) continue;
            const int y0 = mid - static_cast<int>(std::lround(std::clamp(hi, -1.0f, 1.0f) * half));
            const int y1 = mid - static_cast<int>(std::lround(std::clamp(lo, -1.0f, 1.0f) * half));
            lines.emplace_back(x, y0, x, y1);
        }
        p.setPen(on ? QColor(110, 210, 140) : QColor(110, 120, 120));
        p.drawLines(lines.data(), static_cast<int>(lines.size()));
        // Channels are parted by a band of the ruler's colour, plainer than any zero line.
        if (c > 0) p.fillRect(0, top - 1, w, 2, QColor(42, 46, 54));
    }

    AskForSamples(std::move(wanted), vs, ve, spp);

    // Time ruler: a tick step from a fixed ladder, at least 90 pixels apart.
    static const double steps[] = {0.001, 0.002, 0.005, 0.01, 0.02, 0.05, 0.1, 0.2, 0.5, 1, 2, 5, 10, 15, 30,
                                   60, 120, 300, 600, 900, 1800, 3600, 7200};
    const double secondsPerPixel = spp / rate;
    double step = steps[std::size(steps) - 1];
    for (double s : steps)
        if (s / secondsPerPixel >= 90) {
            step = s;
            break;
        }
    p.setPen(QColor(170, 176, 186));
    QFont f = p.font();
    f.setPixelSize(10);
    p.setFont(f);
    const double t0 = static_cast<double>(vs) / rate, t1 = static_cast<double>(ve) / rate;
    for (double t = std::ceil(t0 / step) * step; t <= t1; t += step) {
        const int x = XOf(static_cast<std::int64_t>(std::llround(t * rate)), w);
        p.drawLine(x, kTimeRowHeight - 4, x, kTimeRowHeight - 1);
        p.drawText(x + 2, kTimeRowHeight - 3, QString::fromStdString(TimeText(t, step)));
    }
    p.setPen(QColor(60, 64, 72));
    p.drawLine(0, kTimeRowHeight, w - 1, kTimeRowHeight);

    // Named regions: a tinted band, solid edges, the name in a flag in the ruler's lower row.
    auto& regions = const_cast<AudioEditor&>(e_).Regions();
    for (int i = 0; i < regions.Count(); ++i) {
        const Region& r = regions.At(i + 1);
        if (r.options & kRegionHidden) continue;
        const QColor col = RegionColour(r, i);
        const int x0 = XOf(r.start, w), x1 = XOf(r.start + r.length, w);
        if (x1 < -kEdgeGrip || x0 > w + kEdgeGrip) continue;
        QColor band = col;
        band.setAlpha(48);
        if (x1 > x0) p.fillRect(x0, kRulerHeight, x1 - x0, h - kRulerHeight, band);
        // A marker at the very end of the audio falls on the last column, not past it.
        const int edge0 = std::clamp(x0, 0, w - 1), edge1 = std::clamp(x1, 0, w - 1);
        p.setPen(QPen(col, 1));
        p.drawLine(edge0, kTimeRowHeight + 1, edge0, h - 1);
        if (r.length > 0) p.drawLine(edge1, kTimeRowHeight + 1, edge1, h - 1);
        // The span along the foot of the ruler, the name in a flag at its left, kept on screen:
        // near the right edge the flag stands to the left of its marker.
        if (x1 > x0) p.fillRect(x0, kRulerHeight - 3, x1 - x0, 3, col);
        const QString name = QString::fromStdString(r.caption.empty() ? r.name : r.caption);
        const int textW = p.fontMetrics().horizontalAdvance(name) + 6;
        const int flag = std::clamp(x0, 0, std::max(0, w - textW));
        const QRect tab(flag, kTimeRowHeight + 1, textW, kRulerHeight - kTimeRowHeight - 4);
        p.fillRect(tab, col);
        // Dark text on a light flag, light on a dark one (the loop's blue).
        p.setPen(qGray(col.rgb()) < 110 ? Qt::white : Qt::black);
        p.drawText(tab.x() + 3, tab.bottom() - 1, name);
    }

}

void WaveformView::DrawCursor(QPainter& p, const QSize& size) const {
    if (!e_.HasDocument()) return;
    const int cx = XOf(e_.View().Position(), size.width());
    if (cx >= 0 && cx < size.width()) {
        p.setPen(QColor(255, 255, 255));
        p.drawLine(cx, 0, cx, size.height() - 1);
    }
}

void WaveformView::Render(QPainter& p, const QSize& size) const {
    RenderBase(p, size);
    DrawCursor(p, size);
}

void WaveformView::AskForSamples(std::vector<SampleRequest> wanted, std::int64_t vs, std::int64_t ve,
                                 double spp) const {
    incomplete_ = !wanted.empty();
    const std::array<std::int64_t, 3> key{vs, ve, static_cast<std::int64_t>(reinterpret_cast<std::uintptr_t>(
                                                       e_.CurrentTracks().empty() ? nullptr : e_.CurrentTracks()[0].get()))};
    if (key != roundsKey_) {
        roundsKey_ = key;
        rounds_ = 0;
        askedAt_ = kNotAsked;
    }
    // Everything asked for has come and samples are still missing: memory is short.
    if (incomplete_ && askedAt_ != kNotAsked && loadedAtPaint_ != askedAt_ && e_.BackgroundReads().Idle()) ++rounds_;
    // Close in, the blocks either side are read next, the way the view last moved first, so
    // that scrolling finds its samples in memory.
    if (spp < kFineWindow) {
        const std::int64_t span = ve - vs;
        std::pair<std::int64_t, std::int64_t> sides[] = {{ve, ve + span}, {vs - span, vs}};
        if (vs < lastStart_) std::swap(sides[0], sides[1]);
        for (const auto& [a, b] : sides)
            for (const auto& t : e_.CurrentTracks()) {
                std::int64_t ps = 0;
                for (const Piece& piece : t->Pieces()) {
                    const std::int64_t pe = ps + piece.length;
                    if (pe > a && ps < b && piece.block && !piece.block->Loaded())
                        wanted.push_back({piece.block, 0, -1});
                    if (pe >= b) break;
                    ps = pe;
                }
            }
    }
    lastStart_ = vs;
    // A view whose samples do not all fit in memory at once would read for ever: after a few
    // rounds it stays drawn from the summaries where its samples are not at hand.
    if (wanted.empty() || rounds_ > 2) return;
    askedAt_ = loadedAtPaint_;
    e_.BackgroundReads().Want(wanted);
}

std::vector<std::int64_t> WaveformView::Signature() const {
    std::vector<std::int64_t> sig;
    if (!e_.HasDocument()) return sig;
    auto& v = e_.View();
    sig = {e_.Length(), v.VisibleStart(), v.VisibleEnd(), v.SelectionStart(), v.SelectionEnd(), v.SelectionShown()};
    for (const auto& t : e_.CurrentTracks()) sig.push_back(static_cast<std::int64_t>(reinterpret_cast<std::uintptr_t>(t.get())));
    auto& ch = const_cast<AudioEditor&>(e_).Channels();
    const int current = ch.Current(), count = ch.Count();
    for (int c = 1; c <= count; ++c) {
        ch.SetCurrent(c);
        sig.push_back(ch.Selected());
    }
    if (current >= 1 && current <= count) ch.SetCurrent(current);
    auto& regions = const_cast<AudioEditor&>(e_).Regions();
    for (int i = 1; i <= regions.Count(); ++i) {
        const Region& r = regions.At(i);
        sig.insert(sig.end(), {r.start, r.length, r.colour,
                               static_cast<std::int64_t>(std::hash<std::string>{}(r.caption.empty() ? r.name : r.caption))});
    }
    return sig;
}

void WaveformView::Refresh() {
    // Settings such as the zoom, the channels or the regions change without events: look.
    const std::int64_t pos = e_.HasDocument() ? e_.View().Position() : -1;
    const auto [vs, ve] = VisibleRange();
    const std::array<std::int64_t, 3> key{vs, ve, e_.HasDocument() ? e_.Length() : -1};
    if (key != viewKey_) {
        viewKey_ = key;
        ViewChanged.Emit();
    }
    if (baseIncomplete_ && e_.BackgroundReads().Completed() != baseLoadedAt_) {
        stale_ = true; // samples the picture lacked have come
        update();
    }
    if (pos != drawnPosition_ || Signature() != baseSignature_ || base_.size() != size()) update();
}

QImage WaveformView::RenderImage(const QSize& size) const {
    QImage img(size, QImage::Format_RGB32);
    QPainter p(&img);
    Render(p, size);
    return img;
}

void WaveformView::paintEvent(QPaintEvent*) {
    // The waveform is drawn again only when something but the cursor changed, so a moving
    // play head costs a copy of the picture and a line.
    auto sig = Signature();
    if (base_.size() != size() || sig != baseSignature_ || stale_) {
        stale_ = false;
        base_ = QImage(size(), QImage::Format_RGB32);
        QPainter bp(&base_);
        RenderBase(bp, size());
        baseIncomplete_ = incomplete_;
        baseLoadedAt_ = loadedAtPaint_;
        baseSignature_ = std::move(sig);
    }
    QPainter p(this);
    p.drawImage(0, 0, base_);
    DrawCursor(p, size());
    drawnPosition_ = e_.HasDocument() ? e_.View().Position() : -1;
}

void WaveformView::mousePressEvent(QMouseEvent* ev) {
    const int x = static_cast<int>(ev->position().x()), y = static_cast<int>(ev->position().y());
    MouseDown.Emit(ButtonCode(ev->button()), ShiftCode(ev->modifiers()), x, y);
    if (ev->button() != Qt::LeftButton || !e_.HasDocument()) return;
    const int w = width();
    const std::int64_t s = SampleAt(x, w);
    auto& regions = e_.Regions();
    // Regions first, the last drawn (on top) winning; edges before bodies.
    for (int i = regions.Count(); i >= 1; --i) {
        const Region& r = regions.At(i);
        if (r.options & kRegionHidden) continue;
        const int x0 = XOf(r.start, w), x1 = XOf(r.start + r.length, w);
        Drag d = Drag::None;
        if (r.length > 0 && std::abs(x - x1) <= kEdgeGrip) d = Drag::RegionEnd;
        else if (std::abs(x - x0) <= kEdgeGrip) d = Drag::RegionStart;
        else if (y < kRulerHeight && x > x0 && x < x1) d = Drag::RegionBody;
        if (d == Drag::None) continue;
        drag_ = d;
        region_ = i;
        regionStart_ = r.start;
        regionLength_ = r.length;
        anchor_ = s;
        pressX_ = x;
        return;
    }
    auto& v = e_.View();
    if (ev->modifiers() & Qt::ShiftModifier) {
        // Extend: keep the end of the selection (or the cursor) farther from the click.
        std::int64_t a = v.Position();
        if (v.SelectionShown() && v.SelectionStart() != v.SelectionEnd()) {
            const std::int64_t lo = std::min(v.SelectionStart(), v.SelectionEnd());
            const std::int64_t hi = std::max(v.SelectionStart(), v.SelectionEnd());
            a = std::llabs(s - lo) > std::llabs(s - hi) ? lo : hi;
        }
        anchor_ = a;
        drag_ = Drag::Select;
        DragTo(x);
        return;
    }
    anchor_ = s;
    drag_ = Drag::Select;
    v.SetSelectionShown(false);
    v.SetSelectionStart(s);
    v.SetSelectionEnd(s);
    v.SetPosition(s);
    update();
}

void WaveformView::DragTo(int x) {
    const int w = width();
    const std::int64_t s = SampleAt(x, w);
    const std::int64_t len = e_.Length();
    if (drag_ == Drag::Select) {
        auto& v = e_.View();
        const std::int64_t a = std::min(anchor_, s), b = std::max(anchor_, s);
        v.SetSelectionShown(a != b);
        v.SetSelectionStart(a);
        v.SetSelectionEnd(b);
        update();
        return;
    }
    // Region edges and bodies move by how far the mouse went, so grabbing one never jumps.
    const std::int64_t delta = s - anchor_;
    const std::int64_t end = regionStart_ + regionLength_;
    std::int64_t start = regionStart_, length = regionLength_;
    switch (drag_) {
    case Drag::RegionStart:
        if (regionLength_ > 0) {
            start = std::clamp<std::int64_t>(regionStart_ + delta, 0, end);
            length = end - start;
        } else {
            start = std::clamp<std::int64_t>(regionStart_ + delta, 0, len);
        }
        break;
    case Drag::RegionEnd:
        length = std::clamp<std::int64_t>(end + delta, regionStart_, std::max(len, regionStart_)) - regionStart_;
        break;
    case Drag::RegionBody:
        start = std::clamp<std::int64_t>(regionStart_ + delta, 0, std::max<std::int64_t>(0, len - regionLength_));
        break;
    default: return;
    }
    if (x == pressX_) {
        start = regionStart_;
        length = regionLength_;
    }
    auto& regions = e_.Regions();
    if (region_ < 1 || region_ > regions.Count()) return;
    const Region& r = regions.At(region_);
    if (r.start == start && r.length == length) return;
    regions.SetCurrent(region_);
    regions.SetStart(start);
    regions.SetLength(length);
    update();
    e_.RegionChanged.Emit(region_);
}

void WaveformView::mouseMoveEvent(QMouseEvent* ev) {
    if (drag_ != Drag::None && (ev->buttons() & Qt::LeftButton)) {
        DragTo(static_cast<int>(ev->position().x()));
        return;
    }
    // Show where a region can be grabbed.
    const int x = static_cast<int>(ev->position().x()), y = static_cast<int>(ev->position().y());
    Qt::CursorShape shape = Qt::IBeamCursor;
    if (e_.HasDocument()) {
        auto& regions = e_.Regions();
        for (int i = regions.Count(); i >= 1; --i) {
            const Region& r = regions.At(i);
            const int x0 = XOf(r.start, width()), x1 = XOf(r.start + r.length, width());
            if (std::abs(x - x0) <= kEdgeGrip || (r.length > 0 && std::abs(x - x1) <= kEdgeGrip)) {
                shape = Qt::SizeHorCursor;
                break;
            }
            if (y < kRulerHeight && x > x0 && x < x1) {
                shape = Qt::OpenHandCursor;
                break;
            }
        }
    }
    setCursor(shape);
}

void WaveformView::mouseReleaseEvent(QMouseEvent* ev) {
    if (ev->button() == Qt::LeftButton && drag_ != Drag::None) {
        DragTo(static_cast<int>(ev->position().x()));
        drag_ = Drag::None;
    }
}

void WaveformView::mouseDoubleClickEvent(QMouseEvent* ev) {
    const int x = static_cast<int>(ev->position().x()), y = static_cast<int>(ev->position().y());
    MouseDown.Emit(ButtonCode(ev->button()), ShiftCode(ev->modifiers()), x, y);
    if (ev->button() == Qt::LeftButton && y >= kRulerHeight && e_.HasDocument()) {
        drag_ = Drag::None;
        e_.SelectVisibleRange.Emit();
    }
}

bool WaveformView::Zoomed() const {
    if (!e_.HasDocument()) return false;
    const auto [vs, ve] = VisibleRange();
    return vs > 0 || ve < e_.Length();
}

void WaveformView::ScrollTo(std::int64_t start) {
    if (!e_.HasDocument()) return;
    const auto [vs, ve] = VisibleRange();
    const std::int64_t span = ve - vs, len = e_.Length();
    start = std::clamp<std::int64_t>(start, 0, std::max<std::int64_t>(0, len - span));
    if (start == vs) return;
    std::int64_t end = start + span;
    e_.ZoomToRange(start, end);
    update();
    Refresh();
}

void WaveformView::wheelEvent(QWheelEvent* ev) {
    const QPoint d = ev->angleDelta();
    const int delta = std::abs(d.x()) > std::abs(d.y()) ? d.x() : d.y();
    if (!Zoomed() || delta == 0) {
        ev->ignore();
        return;
    }
    // A notch of the wheel moves an eighth of the view; turning it away goes back in time.
    const auto [vs, ve] = VisibleRange();
    const double move = -delta / 120.0 * static_cast<double>(ve - vs) / 8.0;
    const auto samples = static_cast<std::int64_t>(std::llround(move));
    ScrollTo(vs + (samples != 0 ? samples : (move < 0 ? -1 : 1)));
    ev->accept();
}

void WaveformView::keyPressEvent(QKeyEvent* ev) {
    if (!e_.HasDocument()) {
        QWidget::keyPressEvent(ev);
        return;
    }
    auto& v = e_.View();
    const auto [vs, ve] = VisibleRange();
    const std::int64_t len = e_.Length();
    const std::int64_t column = std::max<std::int64_t>(1, (ve - vs) / std::max(1, width()));
    std::int64_t to = 0;
    switch (ev->key()) {
    case Qt::Key_Home: to = 0; break;
    case Qt::Key_End: to = len; break;
    case Qt::Key_Left: to = v.Position() - column; break;
    case Qt::Key_Right: to = v.Position() + column; break;
    default: QWidget::keyPressEvent(ev); return;
    }
    to = std::clamp<std::int64_t>(to, 0, len);
    if (ev->modifiers() & Qt::ShiftModifier) {
        // The end of the selection away from the cursor stays; the cursor's end moves.
        std::int64_t anchor = v.Position();
        const std::int64_t a = std::min(v.SelectionStart(), v.SelectionEnd());
        const std::int64_t b = std::max(v.SelectionStart(), v.SelectionEnd());
        if (v.SelectionShown() && a != b) {
            if (anchor == a) anchor = b;
            else if (anchor == b) anchor = a;
        }
        v.SetSelectionShown(anchor != to);
        v.SetSelectionStart(std::min(anchor, to));
        v.SetSelectionEnd(std::max(anchor, to));
    } else {
        v.SetSelectionShown(false);
        v.SetSelectionStart(to);
        v.SetSelectionEnd(to);
    }
    v.SetPosition(to);
    if (to < vs) ScrollTo(to);
    else if (to > ve) ScrollTo(to - (ve - vs));
    update();
    ev->accept();
}

} // namespace platform::audio
