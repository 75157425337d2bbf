#include "FileTarget.h"

#include "Text.h"

std::string TargetRefusalText(TargetRefusal refusal) {
    switch (refusal) {
    case TargetRefusal::None:
        break;
    case TargetRefusal::ReparsePoint:
        return Ansi("シンボリックリンクなどの再解析ポイントで、ほかのファイルを指しています。");
    case TargetRefusal::HardLinked:
        return Ansi("ほかの名前（ハードリンク）も持つファイルです。");
    case TargetRefusal::FolderReparsePoint:
        return Ansi("フォルダーがジャンクションなどの再解析ポイントです。");
    }
    return {};
}

std::string FileStepFailedText(const char* step, unsigned long error) {
    return Ansi(step) + Ansi("に失敗しました (エラー ") + std::to_string(error) + ")";
}
