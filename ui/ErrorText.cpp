#include "ErrorText.h"

#include <QCoreApplication>
#include <cerrno>

#include "Language.h"
#include "checksumfile.h"
#include "filehash.h"

namespace {

// The texts of this file, translated in the context "ErrorText".
class TErrorText {
    Q_DECLARE_TR_FUNCTIONS(ErrorText)
};

struct TErrnoText {
    int Code;
    const char* Text;
};

// The error numbers that opening, reading, listing and saving files usually meet, each with a
// text of its own (the system's texts depend on the installed locales, and are German under a
// German locale whatever the window speaks).
constexpr TErrnoText ErrnoTexts[] = {
    {ENOENT, QT_TRANSLATE_NOOP("ErrorText", "文件或文件夹不存在")},
    {ENOTDIR, QT_TRANSLATE_NOOP("ErrorText", "路径中有一部分不是文件夹")},
    {EACCES, QT_TRANSLATE_NOOP("ErrorText", "没有访问权限")},
    {EPERM, QT_TRANSLATE_NOOP("ErrorText", "不允许此操作")},
    {EISDIR, QT_TRANSLATE_NOOP("ErrorText", "是文件夹")},
    {EIO, QT_TRANSLATE_NOOP("ErrorText", "输入输出错误（磁盘或设备可能有故障）")},
    {ELOOP, QT_TRANSLATE_NOOP("ErrorText", "符号链接层数太多（可能是循环链接）")},
    {ENAMETOOLONG, QT_TRANSLATE_NOOP("ErrorText", "文件名太长")},
    {ENOSPC, QT_TRANSLATE_NOOP("ErrorText", "磁盘空间不足")},
    {EDQUOT, QT_TRANSLATE_NOOP("ErrorText", "超出磁盘配额")},
    {EROFS, QT_TRANSLATE_NOOP("ErrorText", "文件系统是只读的")},
    {EMFILE, QT_TRANSLATE_NOOP("ErrorText", "本程序打开的文件太多")},
    {ENFILE, QT_TRANSLATE_NOOP("ErrorText", "系统中打开的文件太多")},
    {ENOMEM, QT_TRANSLATE_NOOP("ErrorText", "内存不足")},
    {ETXTBSY, QT_TRANSLATE_NOOP("ErrorText", "文件正被运行中的程序使用")},
    {ENXIO, QT_TRANSLATE_NOOP("ErrorText", "设备或地址不存在")},
    {ENODEV, QT_TRANSLATE_NOOP("ErrorText", "设备不存在")},
    {ENOMEDIUM, QT_TRANSLATE_NOOP("ErrorText", "设备中没有介质")},
    {EBUSY, QT_TRANSLATE_NOOP("ErrorText", "设备或资源正忙")},
    {EFBIG, QT_TRANSLATE_NOOP("ErrorText", "文件太大")},
    {EOVERFLOW, QT_TRANSLATE_NOOP("ErrorText", "文件太大，超出可处理的范围")},
    {EINVAL, QT_TRANSLATE_NOOP("ErrorText", "参数无效")},
    {EEXIST, QT_TRANSLATE_NOOP("ErrorText", "文件已存在")},
    {EXDEV, QT_TRANSLATE_NOOP("ErrorText", "不能跨文件系统移动")},
    {EAGAIN, QT_TRANSLATE_NOOP("ErrorText", "资源暂时不可用")},
    {EINTR, QT_TRANSLATE_NOOP("ErrorText", "操作被中断")},
    {ETIMEDOUT, QT_TRANSLATE_NOOP("ErrorText", "操作超时")},
    {ENOTCONN, QT_TRANSLATE_NOOP("ErrorText", "未连接（网络文件系统已断开）")},
    {ESTALE, QT_TRANSLATE_NOOP("ErrorText", "网络文件句柄已失效")},
    {EUCLEAN, QT_TRANSLATE_NOOP("ErrorText", "文件系统需要修复")},
    {EOPNOTSUPP, QT_TRANSLATE_NOOP("ErrorText", "不支持此操作")},
    {EBADF, QT_TRANSLATE_NOOP("ErrorText", "文件描述符无效")},
};

QString AlgorithmNamed(int32_t Algorithm) {
    return QString::fromLatin1(sums::AlgorithmName(Algorithm));
}

}  // namespace

QString SystemText(int Code) {
    for (const TErrnoText& Known : ErrnoTexts)
        if (Known.Code == Code) return QCoreApplication::translate("ErrorText", Known.Text);
    return SystemErrorText(Code);
}

QString FailureText(const engine::Error& Error) {
    switch (Error.kind) {
        case engine::Failure::NotFound:
            return TErrorText::tr("文件不存在");
        case engine::Failure::Permission:
            return TErrorText::tr("没有读取权限");
        case engine::Failure::NotRegular:
            return Error.code == EISDIR ? TErrorText::tr("是文件夹，未搜索")
                                        : TErrorText::tr("不是普通文件，未读取");
        case engine::Failure::ReadError:
            return TErrorText::tr("读取错误：%1").arg(SystemText(Error.code));
        case engine::Failure::Changed:
            return TErrorText::tr("文件在读取时被改动");
        case engine::Failure::Stopped:
            return TErrorText::tr("已终止，未计算完");
        case engine::Failure::UnknownAlgorithm:
        case engine::Failure::None:
            break;
    }
    return TErrorText::tr("未知的算法");
}

QString MalformedText(const sums::Malformed& Line) {
    using Code = sums::Malformed::Code;
    switch (Line.code) {
        case Code::NotChecksumLine:
            return TErrorText::tr("不是校验行");
        case Code::NulByte:
            return TErrorText::tr("含有空字节");
        case Code::NoFileName:
            return TErrorText::tr("缺少文件名");
        case Code::UnknownEscape:
            return TErrorText::tr("文件名中有未知的反斜杠转义");
        case Code::UnknownTag:
            return TErrorText::tr("未知的算法标记“%1”").arg(QString::fromUtf8(Line.tag));
        case Code::OtherAlgorithm:
            return TErrorText::tr("是 %1 的校验行，不是 %2 的")
                .arg(AlgorithmNamed(Line.algorithm), AlgorithmNamed(Line.chosen));
        case Code::UnknownLength:
            return TErrorText::tr("没有哪种算法的校验值是 %1 位十六进制数").arg(Line.count);
        case Code::WrongLength:
            return TErrorText::tr("%1 的校验值有 %2 位十六进制数，这里是 %3 位")
                .arg(AlgorithmNamed(Line.algorithm))
                .arg(sums::AlgorithmHexLength(Line.algorithm))
                .arg(Line.count);
        case Code::TooLong:
            return TErrorText::tr("行长超过 %1 字节").arg(Line.count);
    }
    return TErrorText::tr("不是校验行");
}
