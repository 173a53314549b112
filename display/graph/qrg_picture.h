#pragma once
// The frequency graph as a picture: the plot drawn by QrgPlot's drawing
// routine with the value labels of the transmission, reflection and phase
// scales, the frequency labels, a title and a legend. Serves "Save image",
// printing and the batch mode's --plot.

#include <QPainter>

#include <functional>
#include <memory>
#include <QSize>
#include <QString>

class QrgPlot;

/// Draws the whole picture onto `p`, filling a canvas of `size`.
void RenderQrgPicture(QPainter& p, QSize size, QrgPlot& plot, const QString& title);

/// Writes what `draw` paints on a canvas of `size` to `path`: PNG by
/// default, SVG for ".svg", PDF for ".pdf" (suffix in any case). The file is
/// written beside the target and renamed into place. Returns an empty
/// string, or the reason it failed. Serves every graph window's pictures.
QString SavePicture(const QString& path, QSize size, const QString& title,
                    const std::function<void(QPainter&)>& draw);

/// Writes the picture to `path`: PNG by default, SVG for ".svg", PDF for
/// ".pdf" (suffix in any case). The file is written beside the target and
/// renamed into place. Returns an empty string, or the reason it failed.
QString SaveQrgPicture(const QString& path, QSize size, QrgPlot& plot, const QString& title);

/// Reads "WxH" (e.g. "1200x800"); false for anything else or sizes outside 200..10000.
bool ParsePictureSize(const QString& text, QSize& size);

#include <array>
#include <cstdint>
#include <map>
#include <vector>

struct MeasureState;
/// A measurement state holding `rows` (per frequency, 0.1 Hz: magnitude and
/// angle in degrees of S11, S21, S12, S22) as its live table, of which
/// `params` (0..3) were measured; the last of them is the measured one.
std::unique_ptr<MeasureState> SweepState(const std::map<int32_t, std::array<double, 8>>& rows,
                                         const std::vector<int16_t>& params);

/// The picture of a finished measurement (the batch mode's --plot): `rows`
/// holds per frequency (0.1 Hz) magnitude and angle in degrees of S11, S21,
/// S12, S22, of which `params` (0..3) were measured. The frequency axis spans
/// start .. end; the phase trace shows the last measured parameter. Drawn by
/// the frequency graph's own code with its default scales and colours.
QString SaveSweepPicture(const QString& path, QSize size,
                         const std::map<int32_t, std::array<double, 8>>& rows,
                         const std::vector<int16_t>& params, int32_t start, int32_t end,
                         const QString& title);
