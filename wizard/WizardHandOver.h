#pragma once
// The points where the page logic hands over to the runs. Each run's controller implements its own half:
// the conversion run (wizard/ConversionRun) the conversion half, the download run (download/DownloadRun) the
// download half. Both live beside the main window, which implements only WizardView.

#include <QString>

namespace wizard {

class ConversionHandOver {
public:
    virtual ~ConversionHandOver() = default;
    // WM_CONVERT_START: builds the jobs and starts the run after the current handler has returned.
    virtual void PostConvertStart() = 0;
    // Stops the encoder and waits until its running tasks have stopped.
    virtual void StopEncoderAndWait() = 0;
    // Detaches the encoder's progress, termination and hook notifications from the window.
    virtual void DetachEncoderEvents() = 0;
};

class DownloadHandOver {
public:
    virtual ~DownloadHandOver() = default;
    // Fills ListViewURLDownload from the links and starts with the first link.
    virtual void StartDownloadRun() = 0;
    // AbortTransfer (keep the output file, not immediate) on the three HTTP components.
    virtual void AbortTransfers() = 0;
    // The summary line of the quality preference shown on Step5, with the preference on or off.
    virtual QString QualitySummaryText(bool preferQuality) const = 0;
};

}  // namespace wizard
