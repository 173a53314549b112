#pragma once
// The Smith chart as a picture: the chart drawn by SmithPlot's drawing
// routine with a title, the frequency window and a legend. Serves the
// window's "Save image" and the batch mode's --smith.

#include <QPainter>
#include <QSize>
#include <QString>

#include <array>
#include <cstdint>
#include <map>
#include <vector>

class SmithPlot;

/// Draws the whole picture onto `p`, filling a canvas of `size`.
void RenderSmithPicture(QPainter& p, QSize size, SmithPlot& plot, const QString& title);

/// Writes the picture to `path` (PNG, or SVG / PDF by the suffix); an empty
/// string, or the reason it failed.
QString SaveSmithPicture(const QString& path, QSize size, SmithPlot& plot, const QString& title);

/// The chart of a finished measurement (the batch mode's --smith): `rows`
/// holds per frequency (0.1 Hz) magnitude and angle in degrees of S11, S21,
/// S12, S22, of which `params` were measured. Reflection parameters are
/// drawn on the Smith grid, transmission parameters on the polar grid; with
/// both, the two charts stand side by side. The frequency window spans
/// start .. end.
QString SaveSweepSmith(const QString& path, QSize size, const std::map<int32_t, std::array<double, 8>>& rows,
                       const std::vector<int16_t>& params, int32_t start, int32_t end, const QString& title);
