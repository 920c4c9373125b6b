// The guard that keeps damaged forms and page trees from poppler: a field
// or page tree of many paths is found in the file's bytes however the file
// holds it, and a real form or a long document saved again is not taken
// for one.
#include <gtest/gtest.h>

#include <qpdf/QPDF.hh>
#include <qpdf/QPDFWriter.hh>

#include <string>
#include <vector>

#include "posix/pdf/FormFieldTree.h"
#include "posix/pdf/RawFieldTree.h"
#include "support/PdfBuilder.h"

namespace {

constexpr size_t kMost = 10000;

// A form whose field tree names each level's kid twice, 30 levels deep
// (2^30 paths); kidsOf writes a level's /Kids entry.
std::vector<std::string> doubledTree(std::string (*kidsOf)(int kid)) {
    std::vector<std::string> objects = {"<< /Type /Catalog /Pages 2 0 R /AcroForm << /Fields [4 0 R] >> >>",
                                        "<< /Type /Pages /Kids [3 0 R] /Count 1 >>",
                                        "<< /Type /Page /Parent 2 0 R /MediaBox [0 0 200 200] >>"};
    for (int level = 0; level < 30; ++level) objects.push_back("<< /T (f) /Kids " + kidsOf(5 + level) + " >>");
    objects.push_back("<< /T (leaf) /FT /Tx >>");
    return objects;
}

// "first 0 R" and the count - 1 references after it.
std::string referencesFrom(int first, int count) {
    std::string references;
    for (int kid = first; kid < first + count; ++kid) references += std::to_string(kid) + " 0 R ";
    return references;
}

std::string direct(int kid) {
    const std::string reference = std::to_string(kid) + " 0 R";
    return "[" + reference + " " + reference + "]";
}

// As qpdf writes it with every object it can in compressed object streams.
std::string inObjectStreams(const std::string& pdf) {
    QPDF document;
    document.processMemoryFile("tree", pdf.data(), pdf.size());
    QPDFWriter writer(document);
    writer.setOutputMemory();
    writer.setObjectStreamMode(qpdf_o_generate);
    writer.write();
    const auto buffer = writer.getBufferSharedPointer();
    return std::string(reinterpret_cast<const char*>(buffer->getBuffer()), buffer->getSize());
}

}  // namespace

TEST(RawFieldTree, ATreeOfManyPathsIsFoundPlainInObjectStreamsOrThroughArrayObjects) {
    const std::string plain = testpdf::pdfOfObjects(doubledTree(direct));
    EXPECT_TRUE(posix::rawFieldTreeTooLarge(plain, kMost));
    // Damage that leaves the objects as they are changes nothing.
    EXPECT_TRUE(posix::rawFieldTreeTooLarge(plain.substr(0, plain.rfind("xref")), kMost));

    const std::string compressed = inObjectStreams(plain);
    ASSERT_EQ(compressed.find("/Kids"), std::string::npos) << "the tree is in compressed streams";
    EXPECT_TRUE(posix::rawFieldTreeTooLarge(compressed, kMost));

    // Each level's kids in an array object of their own (numbered from 100).
    std::vector<std::string> objects = doubledTree([](int kid) { return std::to_string(100 + kid) + " 0 R"; });
    while (objects.size() < 99) objects.push_back("null");
    for (int kid = 0; kid <= 35; ++kid) objects.push_back(direct(kid));
    EXPECT_TRUE(posix::rawFieldTreeTooLarge(testpdf::pdfOfObjects(objects), kMost));
}

TEST(RawFieldTree, AFormOfThousandsOfFieldsSavedAgainIsNotTooLarge) {
    // 60 groups of 60 fields: 3,661 paths, each object defined twice.
    std::vector<std::string> objects = {"<< /Type /Catalog /Pages 2 0 R /AcroForm << /Fields [4 0 R] >> >>",
                                        "<< /Type /Pages /Kids [3 0 R] /Count 1 >>",
                                        "<< /Type /Page /Parent 2 0 R /MediaBox [0 0 200 200] >>"};
    objects.push_back("<< /T (form) /Kids [" + referencesFrom(5, 60) + "] >>");
    for (int group = 0; group < 60; ++group)
        objects.push_back("<< /T (g" + std::to_string(group) + ") /Kids [" + referencesFrom(65 + group * 60, 60) +
                          "] >>");
    for (int field = 0; field < 3600; ++field) objects.push_back("<< /T (f" + std::to_string(field) + ") /FT /Tx >>");
    const std::string once = testpdf::pdfOfObjects(objects);
    EXPECT_FALSE(posix::rawFieldTreeTooLarge(once, kMost));
    EXPECT_FALSE(posix::rawFieldTreeTooLarge(once + once.substr(once.find("1 0 obj")), kMost));
}

TEST(RawPageTree, APageTreeOfManyPathsIsFoundAndOneOfThousandsOfPagesIsNot) {
    // Each level names its kid twice, 25 levels deep, the file's table cut.
    std::vector<std::string> objects = {"<< /Type /Catalog /Pages 2 0 R >>"};
    for (int level = 0; level < 25; ++level) {
        const std::string kid = std::to_string(3 + level) + " 0 R";
        objects.push_back("<< /Type /Pages /Kids [" + kid + " " + kid + "] /Count 1 >>");
    }
    objects.push_back("<< /Type /Page /MediaBox [0 0 200 200] >>");
    const std::string doubled = testpdf::pdfOfObjects(objects);
    EXPECT_TRUE(posix::rawPageTreeTooLarge(doubled.substr(0, doubled.rfind("xref")), posix::kMostPageTreePaths));
    EXPECT_FALSE(posix::rawFieldTreeTooLarge(doubled, kMost)) << "a page tree is no field tree";

    // 50 groups of 1,000 pages, saved again: each page is one path.
    objects = {"<< /Type /Catalog /Pages 2 0 R >>"};
    objects.push_back("<< /Type /Pages /Kids [" + referencesFrom(3, 50) + "] /Count 50000 >>");
    for (int group = 0; group < 50; ++group)
        objects.push_back("<< /Type /Pages /Kids [" + referencesFrom(53 + group * 1000, 1000) + "] /Count 1000 >>");
    for (int page = 0; page < 50000; ++page) objects.push_back("<< /Type /Page /MediaBox [0 0 200 200] >>");
    const std::string once = testpdf::pdfOfObjects(objects);
    EXPECT_FALSE(posix::rawPageTreeTooLarge(once + once.substr(once.find("1 0 obj")), posix::kMostPageTreePaths));
}
