// The grep format: "PATH:LINE:COL: RULE message" per finding, what quickfix lists and problem
// matchers read. Bytes go out as they are; suppressed findings are left out, as nobody is to jump
// to them.
#include "output/uFL_OutputWriter.h"

namespace {

class TGrepWriter : public TOutputWriter {
 public:
  void Begin(const TRunRecord&, std::string&) override {}
  void File(const TFileReport& File, std::string& Out) override {
    for (const TReportedFinding& R : File.Findings) {
      const TFinding& F = *R.Finding;
      if (F.Suppressed) continue;
      Out += File.Outcome->Path;
      if (F.Line > 0) {
        Out += ':';
        Out += std::to_string(F.Line);
        Out += ':';
        Out += std::to_string(F.Column > 0 ? F.Column : 1);
      }
      Out += ": ";
      Out += F.RuleId;
      Out += ' ';
      Out += F.Message;
      Out += '\n';
    }
  }
  void End(const TRunRecord&, const TReportTotals&, std::string&) override {}
};

}  // namespace

std::unique_ptr<TOutputWriter> CreateGrepWriter() {
  return std::make_unique<TGrepWriter>();
}
