#include "data_format_table.h"

#include "zelkit.h"

// The rows are laid out by hand, a few lines each, as they read best.
// The Chinese descriptions are stored as GB18030 bytes whatever charset the
// compiler reads sources in, hence the escapes; the comment above each gives
// the readable text.
// clang-format off
const DataFormatRow kDataFormatTable[DATA_FORMAT_COUNT] = {
    {1, 0, "BIT", "BIT", "bit;bin;bi",
     "Default Class name. Don't use as Format name."},
    {2, 1, "TEXT", "TEXT", "txt;text",
     "Format name of pure text files. Also as Class name."},
    {3, 1, "WORD", "DOCS", "doc;docx;docm;dot",
     "Format name of Microsoft Word files."},
    {4, 1, "WS", "DOCS", "ws;wsd",
     "Format name of WordStar files."},
    {5, 1, "WP", "DOCS", "wp;wpd",
     "Format name of WordProfect files."},
    {6, 1, "XCL", "DOCS", "xls;xlsx;xlsm;xlt",
     "Format name of Microsoft Excel files."},
    {7, 1, "WPS", "DOCS", "wps",
     "Format name of WPS for Windows files."},
    {8, 1, "S2", "DOCS", "s2",
     "Format name of '.S2' files."},
    {9, 1, "DOCS", "DOCS", "dcs",
     "Class name of documents. Don't use as Format name."},
    {10, 0, "AUDIO", "AUDIO", "aud",
     "Class name of audio files. Don't use as Format name."},
    {11, 0, "IMAGE", "IMAGE", "img",
     "Format name of image files. Also as Class name."},
    {12, 0, "VIDEO", "VIDEO", "vid",
     "Class name of video files. Don't use as Format name."},
    {13, 0, "AVI", "VIDEO", "avi",
     "Format name of AVI Video files."},
    {14, 0, "MPEG", "VIDEO", "mpg;mpe;mpeg",
     "Format name of MPEG Video files."},
    {15, 0, "WAVE", "AUDIO", "wav",
     "Format name of Wave Audio files."},
    {16, 0, "MIDI", "AUDIO", "mid",
     "Format name of MIDI Audio files."},
    {17, 0, "CDA", "AUDIO", "cda",
     "Format name of CD Audio files."},
    {18, 0, "PS", "IMAGE", "ps",
     "Format name of PostScript files."},
    {19, 0, "GIF", "IMAGE", "gif",
     "Format name of GIF image files."},
    {20, 0, "TIF", "IMAGE", "tif;tiff",
     "Format name of TIF image files."},
    {21, 0, "PCX", "IMAGE", "pcx",
     "Format name of PCX image files."},
    {22, 1, "BMP", "IMAGE", "bmp",
     "Format name of BMP image files."},
    {23, 0, "JPEG", "IMAGE", "jpg;jpe;jpeg",
     "Format name of JPEG image files."},
    {24, 1, "HTML", "DOCS", "htm;html",
     "Format name of HTML files."},
    {25, 1, "PDF", "DOCS", "pdf",
     "Format name of Adobe PDF files"},
    {26, 1, "PPT", "DOCS", "ppt;pps;pptx;ppsm",
     "Format name of Power Point files"},
    {27, 1, "RTF", "DOCS", "rtf",
     "Format name of Rich Text Format files"},
    {28, 1, "XML", "DOCS", "xml",
     "Format name of XML files."},
    {29, 0, "MP3", "AUDIO", "mp3",
     "Format name of MP3 files."},
    {30, 0, "MP4", "VIDEO", "mp4",
     "Format name of MPEG4 files."},
    {31, 0, "ZIP", "DOCS", "zip;z",
     "Format name of ZIP files."},
    {32, 0, "RAR", "DOCS", "rar",
     "Format name of RAR files."},
    {33, 1, "TAR", "DOCS", "tar;sfx",
     "Format name of TAR files."},
    {34, 1, "EMAIL", "DOCS", "eml;email",
     "Format name of EMAIL files."},
    {35, 0, "MP2", "AUDIO", "mp2",
     "Format name of MP2 files."},
    // JPEG位图文件格式名.
    {36, 1, "CMP", "IMAGE", "cmp",
     "JPEG\xCE\xBB\xCD\xBC\xCE\xC4\xBC\xFE\xB8\xF1\xCA\xBD\xC3\xFB."},
    // GZIP压缩文件格式名.
    {37, 0, "GZIP", "DOCS", "gz;taz;tgz;tz",
     "GZIP\xD1\xB9\xCB\xF5\xCE\xC4\xBC\xFE\xB8\xF1\xCA\xBD\xC3\xFB."},
    // JPEG文件格式名.
    {38, 0, "JFIF", "IMAGE", "jff;jfif;jif",
     "JPEG\xCE\xC4\xBC\xFE\xB8\xF1\xCA\xBD\xC3\xFB."},
    // JPEG位图文件格式名.
    {39, 1, "JTF", "IMAGE", "jtf",
     "JPEG\xCE\xBB\xCD\xBC\xCE\xC4\xBC\xFE\xB8\xF1\xCA\xBD\xC3\xFB."},
    // MHTML文档格式名.
    {40, 1, "MHTML", "DOCS", "mhtml;mhtm;mht",
     "MHTML\xCE\xC4\xB5\xB5\xB8\xF1\xCA\xBD\xC3\xFB."},
    // Internet邮件扩展格式的多用途文件格式名.
    {41, 1, "MIME", "DOCS", "mime;mim;mme",
     "Internet\xD3\xCA\xBC\xFE\xC0\xA9\xD5\xB9\xB8\xF1\xCA\xBD\xB5\xC4\xB6\xE0\xD3\xC3\xCD\xBE\xCE\xC4\xBC\xFE\xB8\xF1\xCA\xBD\xC3\xFB."},
    // 声音文件格式名.
    {42, 0, "PCM", "AUDIO", "pcm",
     "\xC9\xF9\xD2\xF4\xCE\xC4\xBC\xFE\xB8\xF1\xCA\xBD\xC3\xFB."},
    // PHP脚本页面文件格式名.
    {43, 1, "PHTML", "DOCS", "phtml;phtm;php",
     "PHP\xBD\xC5\xB1\xBE\xD2\xB3\xC3\xE6\xCE\xC4\xBC\xFE\xB8\xF1\xCA\xBD\xC3\xFB."},
    // 可移植的网络图形位图文件格式名.
    {44, 1, "PNG", "IMAGE", "png",
     "\xBF\xC9\xD2\xC6\xD6\xB2\xB5\xC4\xCD\xF8\xC2\xE7\xCD\xBC\xD0\xCE\xCE\xBB\xCD\xBC\xCE\xC4\xBC\xFE\xB8\xF1\xCA\xBD\xC3\xFB."},
    // PC画图位图文件格式名.
    {45, 1, "PIC", "IMAGE", "pic",
     "PC\xBB\xAD\xCD\xBC\xCE\xBB\xCD\xBC\xCE\xC4\xBC\xFE\xB8\xF1\xCA\xBD\xC3\xFB."},
    // 标准通用标签语言文件格式名.
    {46, 1, "SGML", "DOCS", "sgml",
     "\xB1\xEA\xD7\xBC\xCD\xA8\xD3\xC3\xB1\xEA\xC7\xA9\xD3\xEF\xD1\xD4\xCE\xC4\xBC\xFE\xB8\xF1\xCA\xBD\xC3\xFB."},
    // SHTML文件格式名.
    {47, 1, "SHTML", "DOCS", "shtml;shtm;stm",
     "SHTML\xCE\xC4\xBC\xFE\xB8\xF1\xCA\xBD\xC3\xFB."},
    // Microsoft Excel图表文件格式名.
    {48, 1, "XLC", "DOCS", "xlc",
     "Microsoft Excel\xCD\xBC\xB1\xED\xCE\xC4\xBC\xFE\xB8\xF1\xCA\xBD\xC3\xFB."},
    // Microsoft Excel工作区文件格式名.
    {49, 1, "XLW", "DOCS", "xlw",
     "Microsoft Excel\xB9\xA4\xD7\xF7\xC7\xF8\xCE\xC4\xBC\xFE\xB8\xF1\xCA\xBD\xC3\xFB."},
    // 汇编语言源文件格式名.
    {50, 1, "ASM", "DOCS", "asm",
     "\xBB\xE3\xB1\xE0\xD3\xEF\xD1\xD4\xD4\xB4\xCE\xC4\xBC\xFE\xB8\xF1\xCA\xBD\xC3\xFB."},
    // 动态网页文件格式名.
    {51, 1, "ASP", "DOCS", "asp",
     "\xB6\xAF\xCC\xAC\xCD\xF8\xD2\xB3\xCE\xC4\xBC\xFE\xB8\xF1\xCA\xBD\xC3\xFB."},
    // 声音文件格式名.
    {52, 0, "AU", "AUDIO", "au",
     "\xC9\xF9\xD2\xF4\xCE\xC4\xBC\xFE\xB8\xF1\xCA\xBD\xC3\xFB."},
    // BASIC语言代码文件格式名.
    {53, 1, "BAS", "DOCS", "bas",
     "BASIC\xD3\xEF\xD1\xD4\xB4\xFA\xC2\xEB\xCE\xC4\xBC\xFE\xB8\xF1\xCA\xBD\xC3\xFB."},
    // C语言代码文件格式名.
    {54, 1, "C", "DOCS", "c",
     "C\xD3\xEF\xD1\xD4\xB4\xFA\xC2\xEB\xCE\xC4\xBC\xFE\xB8\xF1\xCA\xBD\xC3\xFB."},
    // C++语言代码文件格式名.
    {55, 1, "CPP", "DOCS", "cpp",
     "C++\xD3\xEF\xD1\xD4\xB4\xFA\xC2\xEB\xCE\xC4\xBC\xFE\xB8\xF1\xCA\xBD\xC3\xFB."},
    // C#语言代码文件格式名.
    {56, 1, "CS", "DOCS", "cs",
     "C#\xD3\xEF\xD1\xD4\xB4\xFA\xC2\xEB\xCE\xC4\xBC\xFE\xB8\xF1\xCA\xBD\xC3\xFB."},
    // SGML文档类型定义文件格式名.
    {57, 1, "DTD", "DOCS", "dtd",
     "SGML\xCE\xC4\xB5\xB5\xC0\xE0\xD0\xCD\xB6\xA8\xD2\xE5\xCE\xC4\xBC\xFE\xB8\xF1\xCA\xBD\xC3\xFB."},
    // 数字视频文件格式名.
    {58, 0, "DV", "VIDEO", "dv",
     "\xCA\xFD\xD7\xD6\xCA\xD3\xC6\xB5\xCE\xC4\xBC\xFE\xB8\xF1\xCA\xBD\xC3\xFB."},
    // 传真类型图像文件格式名.
    {59, 0, "FAX", "IMAGE", "fax",
     "\xB4\xAB\xD5\xE6\xC0\xE0\xD0\xCD\xCD\xBC\xCF\xF1\xCE\xC4\xBC\xFE\xB8\xF1\xCA\xBD\xC3\xFB."},
    // Adobe Flash文档文件格式名.
    {60, 0, "FLA", "DOCS", "fla",
     "Adobe Flash\xCE\xC4\xB5\xB5\xCE\xC4\xBC\xFE\xB8\xF1\xCA\xBD\xC3\xFB."},
    // FlashPix位图文件格式名.
    {61, 1, "FPX", "IMAGE", "fpx",
     "FlashPix\xCE\xBB\xCD\xBC\xCE\xC4\xBC\xFE\xB8\xF1\xCA\xBD\xC3\xFB."},
    // 动画文件格式名.
    {62, 0, "GL", "VIDEO", "gl",
     "\xB6\xAF\xBB\xAD\xCE\xC4\xBC\xFE\xB8\xF1\xCA\xBD\xC3\xFB."},
    // Microsoft Graph文件格式名.
    {63, 0, "GRA", "IMAGE", "gra",
     "Microsoft Graph\xCE\xC4\xBC\xFE\xB8\xF1\xCA\xBD\xC3\xFB."},
    // C语言头文件格式名.
    {64, 1, "H", "DOCS", "h",
     "C\xD3\xEF\xD1\xD4\xCD\xB7\xCE\xC4\xBC\xFE\xB8\xF1\xCA\xBD\xC3\xFB."},
    // C++语言头文件格式名.
    {65, 1, "HPP", "DOCS", "hpp",
     "C++\xD3\xEF\xD1\xD4\xCD\xB7\xCE\xC4\xBC\xFE\xB8\xF1\xCA\xBD\xC3\xFB."},
    // Microsoft超文本模板文件格式名.
    {66, 1, "HTT", "DOCS", "htt",
     "Microsoft\xB3\xAC\xCE\xC4\xB1\xBE\xC4\xA3\xB0\xE5\xCE\xC4\xBC\xFE\xB8\xF1\xCA\xBD\xC3\xFB."},
    // 扩展HTML模板文件格式名.
    {67, 1, "HTX", "DOCS", "htx",
     "\xC0\xA9\xD5\xB9HTML\xC4\xA3\xB0\xE5\xCE\xC4\xBC\xFE\xB8\xF1\xCA\xBD\xC3\xFB."},
    // Windows图标文件格式名.
    {68, 0, "ICO", "IMAGE", "ico",
     "Windows\xCD\xBC\xB1\xEA\xCE\xC4\xBC\xFE\xB8\xF1\xCA\xBD\xC3\xFB."},
    // JAVA语言代码文件格式名.
    {69, 1, "JAVA", "DOCS", "java",
     "JAVA\xD3\xEF\xD1\xD4\xB4\xFA\xC2\xEB\xCE\xC4\xBC\xFE\xB8\xF1\xCA\xBD\xC3\xFB."},
    // Java Script代码文件格式名.
    {70, 1, "JS", "DOCS", "js",
     "Java Script\xB4\xFA\xC2\xEB\xCE\xC4\xBC\xFE\xB8\xF1\xCA\xBD\xC3\xFB."},
    // JSP页面文件格式名.
    {71, 1, "JSP", "DOCS", "jsp",
     "JSP\xD2\xB3\xC3\xE6\xCE\xC4\xBC\xFE\xB8\xF1\xCA\xBD\xC3\xFB."},
    // 日志文件格式名.
    {72, 1, "LOG", "DOCS", "log",
     "\xC8\xD5\xD6\xBE\xCE\xC4\xBC\xFE\xB8\xF1\xCA\xBD\xC3\xFB."},
    // MacPaint图像文件格式名.
    {73, 0, "MAC", "IMAGE", "mac",
     "MacPaint\xCD\xBC\xCF\xF1\xCE\xC4\xBC\xFE\xB8\xF1\xCA\xBD\xC3\xFB."},
    // Microsoft Outlook的email文件格式名.
    {74, 1, "MBX", "DOCS", "mbx",
     "Microsoft Outlook\xB5\xC4" "email\xCE\xC4\xBC\xFE\xB8\xF1\xCA\xBD\xC3\xFB."},
    // Microsoft Word的Macintosh文档格式名.
    {75, 1, "MCW", "DOCS", "mcw",
     "Microsoft Word\xB5\xC4Macintosh\xCE\xC4\xB5\xB5\xB8\xF1\xCA\xBD\xC3\xFB."},
    // Microsoft多媒体电影文件格式名.
    {76, 0, "MMM", "VIDEO", "mmm",
     "Microsoft\xB6\xE0\xC3\xBD\xCC\xE5\xB5\xE7\xD3\xB0\xCE\xC4\xBC\xFE\xB8\xF1\xCA\xBD\xC3\xFB."},
    // QuickTime电影文件格式名.
    {77, 0, "MOV", "VIDEO", "mov",
     "QuickTime\xB5\xE7\xD3\xB0\xCE\xC4\xBC\xFE\xB8\xF1\xCA\xBD\xC3\xFB."},
    // Microsoft邮件消息文件格式名.
    {78, 1, "MSG", "DOCS", "msg",
     "Microsoft\xD3\xCA\xBC\xFE\xCF\xFB\xCF\xA2\xCE\xC4\xBC\xFE\xB8\xF1\xCA\xBD\xC3\xFB."},
    // Microsoft Outlook Express邮箱文件格式名.
    {79, 1, "NWS", "DOCS", "nws",
     "Microsoft Outlook Express\xD3\xCA\xCF\xE4\xCE\xC4\xBC\xFE\xB8\xF1\xCA\xBD\xC3\xFB."},
    // Pascal语言代码文件格式名.
    {80, 1, "PAS", "DOCS", "pas",
     "Pascal\xD3\xEF\xD1\xD4\xB4\xFA\xC2\xEB\xCE\xC4\xBC\xFE\xB8\xF1\xCA\xBD\xC3\xFB."},
    // PICS动画文件格式名.
    {81, 0, "PCS", "VIDEO", "pcs",
     "PICS\xB6\xAF\xBB\xAD\xCE\xC4\xBC\xFE\xB8\xF1\xCA\xBD\xC3\xFB."},
    // Perl脚本文件格式名.
    {82, 1, "PL", "DOCS", "pl",
     "Perl\xBD\xC5\xB1\xBE\xCE\xC4\xBC\xFE\xB8\xF1\xCA\xBD\xC3\xFB."},
    // MacPaint图形文件格式名.
    {83, 0, "PNT", "IMAGE", "pnt",
     "MacPaint\xCD\xBC\xD0\xCE\xCE\xC4\xBC\xFE\xB8\xF1\xCA\xBD\xC3\xFB."},
    // Adobe Photoshop位图文件格式名.
    {84, 1, "PSD", "IMAGE", "psd",
     "Adobe Photoshop\xCE\xBB\xCD\xBC\xCE\xC4\xBC\xFE\xB8\xF1\xCA\xBD\xC3\xFB."},
    // Python脚本文件格式名.
    {85, 1, "PY", "DOCS", "py;pyc",
     "Python\xBD\xC5\xB1\xBE\xCE\xC4\xBC\xFE\xB8\xF1\xCA\xBD\xC3\xFB."},
    // RealAudio声音文件格式名.
    {86, 0, "RA", "AUDIO", "ra",
     "RealAudio\xC9\xF9\xD2\xF4\xCE\xC4\xBC\xFE\xB8\xF1\xCA\xBD\xC3\xFB."},
    // RAW位图文件格式名.
    {87, 1, "RAW", "IMAGE", "raw",
     "RAW\xCE\xBB\xCD\xBC\xCE\xC4\xBC\xFE\xB8\xF1\xCA\xBD\xC3\xFB."},
    // RealAudio视频文件格式名.
    {88, 0, "RM", "VIDEO", "rm",
     "RealAudio\xCA\xD3\xC6\xB5\xCE\xC4\xBC\xFE\xB8\xF1\xCA\xBD\xC3\xFB."},
    // MIDI音乐文件格式名.
    {89, 0, "RMI", "AUDIO", "rmi",
     "MIDI\xD2\xF4\xC0\xD6\xCE\xC4\xBC\xFE\xB8\xF1\xCA\xBD\xC3\xFB."},
    // VBScript文件格式名.
    {90, 1, "VBS", "DOCS", "vbs",
     "VBScript\xCE\xC4\xBC\xFE\xB8\xF1\xCA\xBD\xC3\xFB."},
};
// clang-format on

const DataFormatRow* FindDataFormatRow(const char* name) {
    for (const DataFormatRow& row : kDataFormatTable) {
        if (ZSTRCMPI(name, row.name) == 0) return &row;
    }
    return nullptr;
}
