#include "engine/SystemReason.h"

#include <array>
#include <cerrno>

namespace tf {

namespace {

struct Reason {
    int err;
    const char16_t *text;
};

// The failures opening, reading, writing, renaming a file or making a folder can meet, each in the words
// of a Japanese desktop rather than of the C library (whose texts follow the locale and are often English).
constexpr std::array Reasons{
    Reason{EPERM, u"この操作は許可されていません"},
    Reason{ENOENT, u"指定されたファイルまたはフォルダーが見つかりません"},
    Reason{EINTR, u"処理が中断されました"},
    Reason{EIO, u"装置の入出力エラーです"},
    Reason{ENXIO, u"装置が見つかりません"},
    Reason{EBADF, u"ファイルの参照が無効です"},
    Reason{EAGAIN, u"一時的に使用できません。しばらくしてからやり直してください"},
    Reason{ENOMEM, u"メモリが足りません"},
    Reason{EACCES, u"アクセスが拒否されました"},
    Reason{EBUSY, u"ファイルまたは装置が使用中です"},
    Reason{EEXIST, u"同じ名前のファイルが既にあります"},
    Reason{EXDEV, u"別の装置へは移動できません"},
    Reason{ENODEV, u"装置がありません"},
    Reason{ENOTDIR, u"パスの途中にフォルダーではないものがあります"},
    Reason{EISDIR, u"ファイルではなくフォルダーです"},
    Reason{EINVAL, u"通常のファイルではないか、指定が無効です"},
    Reason{ENFILE, u"システム全体で開いているファイルが多すぎます"},
    Reason{EMFILE, u"開いているファイルが多すぎます"},
    Reason{ETXTBSY, u"実行中のプログラムのファイルです"},
    Reason{EFBIG, u"ファイルが大きすぎます"},
    Reason{ENOSPC, u"ディスクの空き領域が足りません"},
    Reason{ESPIPE, u"この種類のファイルでは位置を移せません"},
    Reason{EROFS, u"読み取り専用の場所です"},
    Reason{EMLINK, u"リンクが多すぎます"},
    Reason{ENAMETOOLONG, u"ファイル名またはパスが長すぎます"},
    Reason{ENOLCK, u"ロックを取得できません"},
    Reason{ENOSYS, u"この機能はシステムにありません"},
    Reason{ENOTEMPTY, u"フォルダーが空ではありません"},
    Reason{ELOOP, u"シンボリックリンクが循環しているか、多すぎます"},
    Reason{EOVERFLOW, u"ファイルが大きすぎて扱えません"},
    Reason{EOPNOTSUPP, u"この場所ではその操作に対応していません"},
    Reason{ETIMEDOUT, u"接続がタイムアウトしました"},
    Reason{ESTALE, u"ネットワーク上のファイルの参照が古くなっています"},
    Reason{EDQUOT, u"ディスクの使用量が割り当てを超えています"},
    Reason{ENOMEDIUM, u"装置にメディアが入っていません"},
    Reason{ECANCELED, u"処理が取り消されました"},
};

constexpr std::array<int, Reasons.size()> ReasonNumbers = [] {
    std::array<int, Reasons.size()> numbers{};
    for (size_t i = 0; i < Reasons.size(); ++i)
        numbers[i] = Reasons[i].err;
    return numbers;
}();

} // namespace

QString SystemReason(int err)
{
    for (const Reason &r : Reasons) {
        if (r.err == err)
            return QString::fromUtf16(r.text);
    }
    if (err == 0)
        return QStringLiteral("原因不明のエラーです");
    return QStringLiteral("システムエラーです (番号 %1)").arg(err);
}

std::span<const int> SystemReasonNumbers()
{
    return ReasonNumbers;
}

} // namespace tf
