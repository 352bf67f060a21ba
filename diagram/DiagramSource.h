#pragma once
// Samples the diagram shows without holding them all: a source far larger than the ring (a
// long recording) fills the ring afresh for each picture with what that picture needs, and
// gives the time span the scroll bar and the overview strip cover.

struct ChannelMeasure;
struct Sample;
struct ViewState;
class Diagramx;

class DiagramSource {
public:
    virtual ~DiagramSource() = default;
    // The times of the first and the last sample; false when there is none.
    virtual bool TimeSpan(double& first, double& last) const = 0;
    // Called at the start of every picture: fills the diagram's ring for the view `v` (the
    // whole span while v.followLatest, else v.zoomTMin .. v.zoomTMax, which it may pull
    // inside the span) and sets v's window onto the ring (viewOffset, viewLength, the trims,
    // windowSamples). The plot's width is not known yet (the value labels decide it), so
    // the ring may be made for another width; it must hold the window's first and last
    // samples and its value ranges all the same.
    virtual void FillView(Diagramx& diagram, ViewState& v) = 0;
    // Called once the plot's width (v.plotWidth) and time range are settled, before the
    // traces are drawn: fills the ring again for that width where it was made for another,
    // keeping its first and last samples, and sets v.viewLength.
    virtual void FitWidth(Diagramx& diagram, ViewState& v) = 0;
    // The sample at time t (the one nearest it); false when there is none.
    virtual bool SampleAt(double t, Sample& sample) const = 0;
    // The measurements of channels 0 .. channels - 1 over the source's own samples whose
    // time lies between tFrom and tTo (as measure_channels takes them), into out; false
    // when the source leaves them to the ring.
    virtual bool Measure(double tFrom, double tTo, int channels, ChannelMeasure* out) const
    {
        (void)tFrom, (void)tTo, (void)channels, (void)out;
        return false;
    }
};
