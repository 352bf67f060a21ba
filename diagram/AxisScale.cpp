#include "AxisScale.h"

#include <algorithm>
#include <cmath>

namespace {

// floor(log10(|x|)), robust against a step that lands a hair below a power of ten.
int decimal_exponent(double x)
{
    // A step of 0 or one that is not a number has no exponent worth showing.
    const double e = std::floor(std::log10(std::fabs(x)) + 1e-9);
    return std::isfinite(e) ? int(std::clamp(e, -400.0, 400.0)) : 0;
}

bool has_fraction(double step)
{
    return std::fabs(step - std::round(step)) > 1e-9 * std::max(1.0, std::fabs(step));
}

// Integer part of a / b, where a quotient a hair away from a whole number (as 0.05 / 0.005
// comes out of floating point as 9.999999999999998) counts as that whole number.
double whole_quotient(double a, double b)
{
    const double q = a / b;
    const double r = std::round(q);
    return std::fabs(q - r) < 1e-9 * std::max(1.0, std::fabs(q)) ? r : std::trunc(q);
}

// No search runs longer than this: the step shrinks tenfold per round.
constexpr int kMaxRounds = 400;

} // namespace

QString axis_label_format(double step, bool quarterWithFraction, double largestLabel,
                          double firstLabel)
{
    static const QString fixed[] = {QStringLiteral("0."),     QStringLiteral("0.0"),
                                    QStringLiteral("0.00"),   QStringLiteral("0.000"),
                                    QStringLiteral("0.0000"), QStringLiteral("0.00000")};
    static const QString scientific = QStringLiteral("0.###e+");
    const int p = decimal_exponent(step);
    const double largest = std::max(std::fabs(largestLabel), std::fabs(firstLabel));
    // The scientific form keeps four significant digits. Labels of 1000 and more closer
    // together than that (a second of a long recording) would all read alike: they are
    // written out with the decimals of the step instead.
    const bool alike = largest >= 1000 && decimal_exponent(largest) - p > 3;
    if (!(alike && p >= -5) && (std::abs(p) > 3 || largest >= 1000))
        return scientific;
    int decimals = p < 0 ? -p : 0;
    if (quarterWithFraction)
        ++decimals;
    return fixed[std::min(decimals, 5)];
}

AxisStep choose_y_step(double yMin, double yMax, int labelRoom)
{
    const double range = yMax - yMin;
    const double n = labelRoom;
    double step = std::pow(10.0, std::trunc(std::log10(std::fabs(range))));
    for (int i = 0; i < kMaxRounds && n > 10 * range / step; ++i)
        step *= 0.1;

    AxisStep r;
    if (trunc_to_int(5 * range / step) <= labelRoom) {
        step *= 0.2;
    } else if (trunc_to_int(4 * range / step) <= labelRoom) {
        step *= 0.25;
        r.quarter = true;
    } else if (trunc_to_int(2 * range / step) <= labelRoom) {
        step *= 0.5;
    }
    double first = step * whole_quotient(yMin, step);
    if (yMin - first > 1e-9 * step) // below the minimum by more than rounding
        first += step;
    r.step = step;
    r.first = first;
    r.format = axis_label_format(step, r.quarter && has_fraction(step), yMax, first);
    return r;
}

AxisStep choose_t_step(double tMin, double tMax, int plotWidth, int gap, LabelWidth& width)
{
    const int maxLabels = plotWidth / std::max(gap, 1) + 1;

    // One candidate: its labels from the first multiple of s upwards, side by side.
    auto candidate = [&](double s, int kind, bool& fits) {
        AxisStep c;
        fits = false;
        if (!(s > 0) || !std::isfinite(s))
            return c;
        double first = s * whole_quotient(tMin, s);
        if (tMin - first > 1e-9 * s)
            first += s;
        c.step = s;
        c.first = first;
        c.quarter = kind == 4;
        c.format =
            axis_label_format(s, kind == 4 && has_fraction(s), s * whole_quotient(tMax, s), first);
        int count = 0;
        int widest = 0;
        for (double v = first; v <= tMax && count < maxLabels; v += s, ++count)
            widest = std::max(widest, width(v, c.format));
        // Full-width arithmetic: a sum too large for 16 bits must not wrap into a fit.
        const long long total = (long long)(widest + gap) * count;
        fits = total < plotWidth;
        return c;
    };

    AxisStep best;
    const double range = tMax - tMin;
    double r = range == 0 ? 1.0 : std::pow(10.0, std::trunc(std::log10(std::fabs(range))));
    bool fits = false;
    AxisStep c = candidate(r, 10, fits);
    if (fits) {
        for (int i = 0; i < kMaxRounds && fits; ++i) {
            best = c;
            r = c.step;
            c = candidate(r * 0.1, 10, fits);
        }
    } else {
        r = range;
    }
    static constexpr struct {
        double factor;
        int kind;
    } finer[] = {{0.2, 5}, {0.25, 4}, {0.5, 2}};
    for (const auto& f : finer) {
        c = candidate(r * f.factor, f.kind, fits);
        if (fits) {
            best = c;
            r = c.step;
        }
    }
    return best;
}

int minor_subdivisions(double e)
{
    if (e * 0.2 >= 8)
        return 5;
    if (e * 0.25 >= 8)
        return 4;
    if (e / 3 >= 8)
        return 3;
    if (e * 0.5 >= 8)
        return 2;
    return 1;
}
