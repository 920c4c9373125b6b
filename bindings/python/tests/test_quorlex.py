"""The package as an application uses it: the program it finds
(QUORLEX_PATH in the tests), printing to the built-in file: printer and,
where the print sandbox runs, to its CUPS queue; every outcome a report."""

import os
import tempfile
import unittest
from pathlib import Path

import quorlex

SAMPLE = Path(__file__).resolve().parents[3] / "tests" / "data" / "mixed.pdf"


class PrintPdf(unittest.TestCase):
    def setUp(self):
        self.folder = tempfile.TemporaryDirectory(prefix="quorlex-python-")
        self.addCleanup(self.folder.cleanup)
        self.out = Path(self.folder.name)

    def test_a_file_prints_on_its_papers_and_the_report_names_each_page(self):
        report = quorlex.print_pdf(SAMPLE, f"file:{self.out / 'file.pdf'}", title="From Python")
        self.assertEqual(report.result, 0, report)
        self.assertEqual(report.meaning, "printed")
        self.assertEqual(report.title, "From Python")
        self.assertEqual([(p.paper, p.turned) for p in report.pages],
                         [("A4", False), ("A4", True), ("Letter", False), ("A5", False)])
        self.assertEqual(report.pages[0].scale, quorlex.Scale(100.0, 100.0))
        self.assertGreater((self.out / "file.pdf").stat().st_size, 0)

    def test_bytes_print_from_memory(self):
        report = quorlex.print_pdf(SAMPLE.read_bytes(), f"file:{self.out / 'bytes.pdf'}", copies=2, collate=False)
        self.assertEqual(report.result, 0, report)
        self.assertEqual(report.document, "-")
        self.assertEqual(report.title, "Document")
        self.assertTrue((self.out / "bytes.pdf").exists())

    def test_a_failed_run_returns_its_result_and_the_reason(self):
        report = quorlex.print_pdf(self.out / "missing.pdf", f"file:{self.out / 'never.pdf'}")
        self.assertEqual(report.result, 1)
        self.assertEqual(report.meaning, "failed")
        self.assertIsNone(report.job)
        self.assertTrue(any(m.writer == "main" and m.text.startswith("Unable to print document")
                            for m in report.messages), report.messages)
        self.assertFalse((self.out / "never.pdf").exists())

    def test_options_are_checked_before_the_program_starts(self):
        for options, message in [({"copies": 0}, "copies must be a whole number from 1 to 999"),
                                 ({"duplex": "both"}, "duplex must be one of off, long, short"),
                                 ({"copeis": 2}, "there is no option copeis"),
                                 ({"pages": "3-1x"}, "pages must be like")]:
            with self.subTest(options), self.assertRaisesRegex(ValueError, message):
                quorlex.print_pdf(SAMPLE, "file:/x.pdf", program="/nonexistent", **options)
        self.assertEqual(quorlex.arguments_for(SAMPLE, "office", pages=[1, (3, None)], color=False, wait=30)[3:6],
                         ["Pages=1,3-", "Color=mono", "Wait=30"])

    def test_a_program_that_cannot_be_started_raises(self):
        with self.assertRaisesRegex(quorlex.QuorlexError, "cannot be started"):
            quorlex.print_pdf(SAMPLE, "file:/x.pdf", program=str(self.out / "no-such-program"))

    def test_plan_makes_every_choice_and_prints_nothing(self):
        plan = quorlex.plan(SAMPLE, f"file:{self.out / 'plan.pdf'}", pages="2-3")
        self.assertEqual(plan.report.result, 0, plan.report)
        self.assertTrue(any(p.name == "A4" and round(p.width) == 210 for p in plan.papers), plan.papers)
        self.assertEqual([(p.page, p.paper, p.turned) for p in plan.pages], [(2, "A4", True), (3, "Letter", False)])
        self.assertFalse((self.out / "plan.pdf").exists())

    def test_inside_a_packed_application_the_program_is_taken_from_beside_the_archive(self):
        self.assertEqual(quorlex._unpacked("/opt/app/resources/app.asar/site/quorlex"),
                         "/opt/app/resources/app.asar.unpacked/site/quorlex")
        self.assertEqual(quorlex.find_program({"QUORLEX_PATH": "/opt/q/quorlex"}), "/opt/q/quorlex")

    @unittest.skipUnless(os.environ.get("QUORLEX_IPP_QUEUE"), "the print sandbox is not running")
    def test_to_the_sandbox_queue_the_job_is_followed_to_paper(self):
        title = f"python-{os.getpid()}"
        report = quorlex.print_pdf(SAMPLE.read_bytes(), os.environ["QUORLEX_IPP_QUEUE"], title=title, wait=60)
        self.assertEqual(report.result, 0, report)
        self.assertEqual(report.job.state, "printed")
        self.assertGreater(report.job.id, 0)


if __name__ == "__main__":
    unittest.main()
