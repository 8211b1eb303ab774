// The entry point and the dialogue: a title, then cycles of an empty line,
// the prompt, one score read, converted and answered, until the score is 0.
//
// Every statement is followed by the input/output check, which turns a
// pending code into EInOutError. Nothing here catches an error; the handler
// around the entry point reports it and ends the run with exit code 1.
#include <cmath>

#include "console_output.h"
#include "failure_report.h"
#include "number_text.h"
#include "pending_io.h"
#include "score_conversion.h"
#include "score_input.h"
#include "texts.h"

double Score = 0;
double TopPercent = 0;

namespace {

constexpr int kNormalExitCode = 0;

// The check after each statement, located just after the statement.
__attribute__((noinline)) void CheckInOut() {
  if (PendingIoCode == 0) return;
  throw EInOutError(TakePendingIoCode(), LocationOf(__builtin_return_address(0)));
}

void WriteText(TextId id) {
  Output.Write(ShiftJis(id));
}

// Storing a reading in Score rounds it to double; a finite value beyond the
// double range overflows here, before the rest of its line is discarded.
double StoreScore(const NumberReading& reading) {
  if (reading.status == NumberReading::Status::kOverflow) RaiseOverflow();
  const double stored = static_cast<double>(reading.value);
  if (std::isinf(stored) && std::isfinite(reading.value)) RaiseOverflow();
  return stored;
}

void RunDialogue() {
  WriteText(TextId::kTitle);
  Output.WriteLineEnd();
  Output.EndStatement();
  CheckInOut();
  for (;;) {
    Output.WriteLineEnd();
    Output.EndStatement();
    CheckInOut();

    WriteText(TextId::kPrompt);
    Output.EndStatement();
    CheckInOut();

    Score = StoreScore(Input.ReadNumber());
    Input.DiscardLine();
    CheckInOut();

    TopPercent = TopPercentFor(Score);
    CheckFloatingPointFaults();

    WriteText(TextId::kBeforeNumber);
    NumberTextBuffer number;
    Output.Write(NumberText(TopPercent, number));
    WriteText(TextId::kAfterNumber);
    Output.WriteLineEnd();
    Output.EndStatement();
    CheckInOut();

    if (Score == 0) return;  // also -0
  }
}

}  // namespace

int main() {
  SetFloatingPointSettings();
  try {
    RunDialogue();
  } catch (const Exception& error) {
    ReportFailureAndExit(error);
  }
  // A failure of this last hand-over changes nothing: the run has ended well.
  Output.Flush();
  return kNormalExitCode;
}
