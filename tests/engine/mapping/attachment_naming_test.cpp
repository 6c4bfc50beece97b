#include "engine/mapping/attachment_naming.h"

#include <gtest/gtest.h>

namespace mailvane::mapping {
namespace {

TEST(AttachmentNaming, Sanitize) {
    const std::pair<std::u16string, std::u16string> cases[] = {
        {u"report.pdf", u"report.pdf"},
        {u"C:\\Users\\me\\report.pdf", u"report.pdf"},
        {u"../../etc/passwd", u"passwd"},
        {u"a<b>c:d\"e|f?g*h.txt", u"a_b_c_d_e_f_g_h.txt"},
        {u"tab\there.txt", u"tab_here.txt"},
        {u"trailing dots...", u"trailing dots"},
        {u"  lead.txt  ", u"lead.txt"},
        {u"...", u""},
        {u"", u""},
        {u"Größe.docx", u"Größe.docx"},
    };
    for (const auto& [in, out] : cases) {
        EXPECT_EQ(SanitizeFileName(in), out);
    }
    std::u16string longName(300, u'x');
    longName += u".pdf";
    std::u16string cut = SanitizeFileName(longName);
    EXPECT_EQ(cut.size(), 255u);
    EXPECT_TRUE(cut.ends_with(u".pdf"));
}

TEST(AttachmentNaming, FallbackNamesFollowTheMediaType) {
    EXPECT_EQ(FallbackFileName("image/png"), u"attachment.png");
    EXPECT_EQ(FallbackFileName("text/calendar"), u"attachment.ics");
    EXPECT_EQ(FallbackFileName("text/x-unknown"), u"attachment.txt");
    EXPECT_EQ(FallbackFileName("application/x-unknown"), u"attachment.dat");
}

TEST(AttachmentNaming, Extension) {
    EXPECT_EQ(FileExtension(u"a.tar.gz"), u".gz");
    EXPECT_EQ(FileExtension(u"README"), u"");
    EXPECT_EQ(FileExtension(u".profile"), u"");
    EXPECT_EQ(FileExtension(u"dot."), u"");
}

TEST(AttachmentNaming, DuplicatesBecomeUnique) {
    AttachmentNamer namer;
    EXPECT_EQ(namer.Assign(u"image.png").longName, u"image.png");
    EXPECT_EQ(namer.Assign(u"IMAGE.PNG").longName, u"IMAGE (2).PNG");
    EXPECT_EQ(namer.Assign(u"image.png").longName, u"image (3).png");
    EXPECT_EQ(namer.Assign(u"notes").longName, u"notes");
    EXPECT_EQ(namer.Assign(u"notes").longName, u"notes (2)");
}

TEST(AttachmentNaming, ShortNames) {
    AttachmentNamer namer;
    EXPECT_EQ(namer.Assign(u"report.pdf").shortName, u"REPORT.PDF");
    EXPECT_EQ(namer.Assign(u"quarterly report 2024.xlsx").shortName, u"QUARTE~1.XLS");
    EXPECT_EQ(namer.Assign(u"quarterly report 2025.xlsx").shortName, u"QUARTE~2.XLS");
    EXPECT_EQ(namer.Assign(u"report.pdf").shortName, u"REPORT~1.PDF");
    EXPECT_EQ(namer.Assign(u"Übersicht.txt").shortName, u"BERSIC~1.TXT");
    EXPECT_EQ(namer.Assign(u"日本語.doc").shortName, u"ATTACH~1.DOC");
    EXPECT_EQ(namer.Assign(u"noext").shortName, u"NOEXT");
}

}  // namespace
}  // namespace mailvane::mapping
