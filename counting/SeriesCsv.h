// A series as a CSV file: "# key: value" comment lines describe the run, one header row names the
// columns, one row per measurement follows, and trailing comment lines give the series statistics
// (and a plateau's result). Numbers are locale-neutral, times UTC in ISO 8601, lines end in CR LF.
//
//   # KivoPanel count series
//   # kind: measurement | background | plateau
//   # status: completed | stopped | aborted | failed
//   # started_utc, preset (duration | readings), duration_s or readings_per_measurement,
//   #   measurements_planned, pause_s; with a background: background_cps, background_error_cps,
//   #   background_source; a plateau: hv_start_v, hv_stop_v, hv_step_v, settle_s,
//   #   threshold_percent_per_100v, user_hv_v, hv_restored (yes | no)
//   index,start_utc,duration_s,readings,mean_cps,standard_error_cps,dispersion_index,net_cps,net_error_cps,high_voltage_v,complete
//   1,2024-03-15T10:20:30.000Z,10.000,40,4701.25,10.84,0.998,,,,yes
//   # measurements, readings; for a measurement or background series: mean_of_means_cps,
//   #   sd_of_means_cps, mean_error_cps, dispersion_index, reduced_chi_square, degrees_of_freedom,
//   #   scatter_degrees_of_freedom, p_value, verdict, and with a background net_mean_cps,
//   #   net_mean_error_cps; for a plateau instead: plateau_found (yes | no), plateau_from_v,
//   #   plateau_to_v, plateau_slope_percent_per_100v, operating_point_v
//
// An empty field is a value that could not be determined (one reading, no background, no plateau).
#pragma once

#include "CountSeries.h"

#include <QByteArray>
#include <QString>

#include <optional>

namespace counting {

// The column names of the header row, in order.
QStringList seriesCsvColumns();

QByteArray seriesCsv(const Series& series);
// Writes to a temporary file and renames it over `path`, so a reader never sees half a file. False,
// with the sentence every program uses for an unwritten file in `error`, when it could not.
bool writeSeriesCsv(const QString& path, const Series& series, QString* error);

// Reads a series this program wrote. Statistics are recomputed from the rows, not read. nullopt, with
// "<what>: line N: <problem>" in `error`, for anything else.
std::optional<Series> parseSeriesCsv(const QByteArray& data, const QString& what, QString* error);
std::optional<Series> readSeriesCsv(const QString& path, QString* error);

// A file name for a series: its kind and UTC start, e.g. "background_20240315T102030Z.csv".
QString seriesFileName(const Series& series);

} // namespace counting
