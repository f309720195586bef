#include "CountingHelp.h"

namespace counting {

QString countingHelpText() {
    return QStringLiteral(
        "How a count rate is measured\n"
        "\n"
        "The unit does not count over a time this program chooses: it reports a count rate, "
        "refreshed about once a second (the simulated unit every 250 ms, each reading one second's "
        "counts). A measurement takes a number of consecutive fresh readings, for a set time or a "
        "set number of readings, and gives:\n"
        "- the mean rate in counts per second;\n"
        "- its standard error, from the scatter of the readings themselves (their standard deviation "
        "divided by the square root of their number). The counts behind the readings are not known, "
        "so no Poisson uncertainty (square root of the counts) is given;\n"
        "- the dispersion index, variance divided by mean of the readings. A steady source read in "
        "one-second gates gives about 1. Much more than 1: the rate changed during the measurement "
        "or something disturbs the readings. Much less than 1: the readings are not independent "
        "counts, for example when the unit repeats or averages them.\n"
        "These numbers assume each reading is a count of its own; readings taken more often than the "
        "unit refreshes them are not fresh and are not used.\n"
        "\n"
        "A series repeats the measurement, optionally with a pause between measurements. It gives "
        "the mean of the measurement means and their sample standard deviation, and asks whether the "
        "means spread as much as the scatter of the readings inside the measurements predicts: the "
        "reduced chi-square (near 1 for a steady source) and its p-value, the chance that a steady "
        "source spreads this much or more. A steady source gives a p-value below 0.05 in about one "
        "series out of twenty. The verdict says it in words: \"consistent with a steady source\"; "
        "\"more spread than the readings explain: check the set-up\" when the p-value is below 0.05 (a "
        "drifting source, an unstable high voltage, a loose cable); \"less spread than the readings "
        "explain\" when it is above 0.99.\n"
        "\n"
        "Background: a series marked as background (source removed) is subtracted from the "
        "measurements that follow: net rate = rate - background mean, with the uncertainty sqrt(se^2 "
        "+ se_bg^2), where se_bg comes from the background measurements' standard errors.\n"
        "\n"
        "High-voltage plateau: the high voltage goes from the start to the stop voltage in steps, "
        "one measurement per step after a settling time; it never changes by more than one step at a "
        "time, and the voltage set before the plateau goes back to the unit at the end, on Stop and "
        "when the unit refuses a step. The plateau is the longest voltage range where the rate "
        "changes by less than the threshold (10 % per 100 V unless set otherwise); the proposed "
        "operating point is the measured step a third of the way into it, clear of the knee and low "
        "enough to spare the detector.");
}

} // namespace counting
