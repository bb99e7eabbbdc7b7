#pragma once
// The points where the wizard hands over to the conversion run, the download run, the input list and the
// output choice. The main window implements them; each is filled in by the part of the program that owns it.

#include <QString>
#include <QStringList>

namespace wizard {

class WizardHandOver {
public:
    virtual ~WizardHandOver() = default;

    // Posts WM_CONVERT_START to the main window: builds the jobs and starts the run after the current
    // handler has returned.
    virtual void PostConvertStart() = 0;
    // Fills ListViewURLDownload from the links and starts with the first link.
    virtual void StartDownloadRun() = 0;
    // Probes the files and adds them to the input list.
    virtual void AddInputFiles(const QStringList& files) = 0;
    // Step2's output choice: fill the page from the global record, and copy it back.
    virtual void ShowOutputChoice() = 0;
    virtual void StoreOutputChoice() = 0;
    // The summary line of the quality preference shown on Step5.
    virtual QString QualitySummaryText() = 0;

    // Stops the encoder and waits until its running tasks have stopped.
    virtual void StopEncoderAndWait() = 0;
    // AbortTransfer (keep the output file, not immediate) on the three HTTP components.
    virtual void AbortTransfers() = 0;
    // Detaches the encoder's progress, termination and hook notifications from the window.
    virtual void DetachEncoderEvents() = 0;
    // Stops watching the clipboard.
    virtual void LeaveClipboardChain() = 0;
    // Saves the settings and both window placements; returns an error text, empty on success.
    virtual QString SaveSettingsAndPlacements() = 0;
};

}  // namespace wizard
