// The guard that keeps damaged forms from poppler: a field tree of many
// paths is found in the file's bytes however the file holds it, and a real
// form saved again is not taken for one.
#include <gtest/gtest.h>

#include <qpdf/QPDF.hh>
#include <qpdf/QPDFWriter.hh>

#include <string>
#include <vector>

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
    std::string groups;
    for (int group = 0; group < 60; ++group) groups += std::to_string(5 + group) + " 0 R ";
    objects.push_back("<< /T (form) /Kids [" + groups + "] >>");
    for (int group = 0; group < 60; ++group) {
        std::string fields;
        for (int field = 0; field < 60; ++field) fields += std::to_string(65 + group * 60 + field) + " 0 R ";
        objects.push_back("<< /T (g" + std::to_string(group) + ") /Kids [" + fields + "] >>");
    }
    for (int field = 0; field < 3600; ++field) objects.push_back("<< /T (f" + std::to_string(field) + ") /FT /Tx >>");
    const std::string once = testpdf::pdfOfObjects(objects);
    EXPECT_FALSE(posix::rawFieldTreeTooLarge(once, kMost));
    EXPECT_FALSE(posix::rawFieldTreeTooLarge(once + once.substr(once.find("1 0 obj")), kMost));
}
