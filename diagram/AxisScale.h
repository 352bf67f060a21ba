#pragma once
// Choosing round label steps for the diagram's axes and the number formats of their labels.
// Pure arithmetic: the label widths come from the caller, so the same rules serve the
// screen and a printer.

#include <QString>

struct AxisStep {
    double step = 0;
    double first = 0; // the smallest multiple of step not below the range minimum
    QString format;   // empty when no step fits
    bool quarter = false;
};

// Width in pixels of a label text: the value formatted with the given pattern.
class LabelWidth {
public:
    virtual int operator()(double value, const QString& format) = 0;

protected:
    ~LabelWidth() = default;
};

// Label format for a step: "0." with as many decimals as the step needs (one more for a
// quarter step with a fractional part), or "0.###e+" when the step is very fine or very
// coarse or the labels reach a magnitude of 1000 (unless four significant digits would not
// tell the labels apart: then the decimals, up to five). Returns one of a few constant
// strings.
QString axis_label_format(double step, bool quarterWithFraction, double largestLabel,
                          double firstLabel);

// The Y step: labelRoom labels fit along the axis. The range yMax - yMin must be positive
// and finite.
AxisStep choose_y_step(double yMin, double yMax, int labelRoom);

// The T step: the finest candidate whose labels, laid side by side with gap pixels between
// them, fit in plotWidth. tMax - tMin must be positive and finite. An empty format means
// that no candidate fits.
AxisStep choose_t_step(double tMin, double tMax, int plotWidth, int gap, LabelWidth& width);

// Subdivisions between two labels spaced majorPixels apart: as many as keep 8 pixels
// between minor ticks, at most 5.
int minor_subdivisions(double majorPixels);

// v + step, with a sum within 1e-16 of zero made exactly zero.
inline double next_label_value(double v, double step)
{
    v += step;
    return (v < 1e-16 && v > -1e-16) ? 0.0 : v;
}

// Truncation towards zero to int, with out-of-range and NaN values held to a safe range.
inline int trunc_to_int(double v)
{
    if (!(v == v))
        return 0;
    if (v > 1e9)
        return 1000000000;
    if (v < -1e9)
        return -1000000000;
    return int(v);
}
