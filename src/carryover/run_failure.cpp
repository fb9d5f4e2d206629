#include "carryover/run_failure.h"

#include "foundation/cp932.h"
#include "savedata/new_save.h"
#include "savedata/source_save.h"

namespace vmqdSDK {

std::string CarryOverMessage(int code) {
  switch (code) {
    case kRunSourceFolder: return Sjis(" は引継ぎ元として有効なフォルダではありません。");
    case kRunDestinationFolder: return Sjis(" は引継ぎ先として有効なフォルダではありません。");
    case kRunUserName: return Sjis("ユーザー名が不正");
    case kRunOutputFolder: return Sjis("出力先フォルダの検出に失敗");
    case kRunSaveExists: return Sjis(" は出力先に既に存在します。");
    case kSourceSaveOpen: return Sjis("ファイルオープン失敗");
    case kSourceSaveRead: return Sjis("読み込み失敗");
    case kSourceSaveInvalid: return Sjis("無効なファイル");
    case kSourceSaveInflate: return Sjis("無効なファイル");
    case kSourceSaveMemory: return Sjis("メモリエラー");
    case kSourceSaveSeek: return Sjis("シーク失敗");
    case kSourceSaveSlotFlag:
    case kSourceSaveSlotItem:
    case kSourceSaveCount:
    case kSourceSaveListItem: return Sjis("読み込み失敗");
    case kNewSaveHeaderMissing: return Sjis("ファイルオープン失敗");
    case kNewSaveHeaderRead: return Sjis("読み込み失敗");
    case kNewSaveHeaderWrite:
    case kNewSaveItemsWrite: return Sjis("書き込み失敗");
    case kNewSaveFooterMissing: return Sjis("読み込み失敗");
    case kNewSaveFooterCopy: return Sjis("書き込み失敗");
    case kNewSaveDocument:
    case kNewSaveScramble:
    case kNewSaveDeflate: return Sjis("データ処理失敗");
    case kNewSaveCreate: return Sjis("ファイル作成失敗");
    case kNewSaveWrite: return Sjis("書き込み失敗");
    default: return {};
  }
}

}  // namespace vmqdSDK
