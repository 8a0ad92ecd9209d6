#include "model/ShellText.h"

#include "model/Mbcs.h"

const char kTempCollectionFileName[] = "PelorandTemp.plt";

std::string GetPriorityLabel(short level) {
    static const char* const labels[] = {"萌え萌え！", "つぼにはまりすぎ", "OKだよ", "許せる範囲？",
                                         "たまに見るのも良いかな"};
    if (level < 0 || level > 4) return std::string();
    return labels[level];
}

std::string GetYesNoLabel(int flag) {
    return flag ? "Yes" : "No";
}

bool MatchesFileType(const std::string& path, const std::string& token) {
    return mbcs::ToLower(mbcs::Extension(path)) == mbcs::ToLower("." + token);
}

std::string MakeTempCollectionPath(const std::string& tempDir) {
    return tempDir + kTempCollectionFileName;
}
