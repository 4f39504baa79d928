// PL/SQL packages and blocks pinned to the cursors "Open, Fetch, No Close" must report.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "AnalysisTestUtil.h"

namespace {

constexpr TCheckOptions OFC = CheckBit(coOpenFetchClose);

// Cursors in loops and under IF and CASE, comments of both kinds, strings holding keywords, a
// routine that only opens, and an anonymous block after the package.
const std::vector<std::string> EmpPackage = {
    "CREATE OR REPLACE PACKAGE BODY emp_pkg AS",
    "",
    "  -- Lists the employees of one department",
    "  PROCEDURE list_emps(p_dept IN NUMBER) IS",
    "    CURSOR c_emp IS",
    "      SELECT ename FROM emp WHERE deptno = p_dept;",
    "    v_name emp.ename%TYPE;",
    "  BEGIN",
    "    OPEN c_emp;",
    "    LOOP",
    "      FETCH c_emp INTO v_name;",
    "      EXIT WHEN c_emp%NOTFOUND;",
    "      IF v_name IS NULL THEN",
    "        dbms_output.put_line('no name; END; close c_emp');",
    "      END IF;",
    "    END LOOP;",
    "    CLOSE c_emp;",
    "  END list_emps;",
    "",
    "  /* Opens a cursor and forgets",
    "     to CLOSE c_sal */",
    "  FUNCTION first_salary(p_dept IN NUMBER) RETURN NUMBER IS",
    "    CURSOR c_sal IS SELECT sal FROM emp WHERE deptno = p_dept;",
    "    v_sal NUMBER;",
    "  BEGIN",
    "    OPEN c_sal;",
    "    FETCH c_sal INTO v_sal;",
    "    RETURN v_sal;",
    "  END first_salary;",
    "",
    "  PROCEDURE touch_only IS",
    "    CURSOR c_t IS SELECT 1 FROM dual;",
    "  BEGIN",
    "    OPEN c_t;",
    "  END;",
    "",
    "  PROCEDURE loop_open IS",
    "  BEGIN",
    "    FOR i IN 1..3 LOOP",
    "      OPEN c_multi;",
    "      FETCH c_multi INTO x;",
    "      CLOSE c_multi;",
    "    END LOOP;",
    "    CASE x",
    "      WHEN 1 THEN OPEN c_case;",
    "      ELSE NULL;",
    "    END CASE;",
    "    FETCH c_case INTO y; -- CLOSE c_case",
    "  END loop_open;",
    "",
    "END emp_pkg;",
    "/",
    "",
    "-- an anonymous block",
    "BEGIN",
    "  OPEN c_anon;",
    "  FETCH c_anon INTO z;",
    "END;",
    "/",
};

TEST(EmpPackage, ReportsTheCursorsLeftOpen) {
  EXPECT_EQ(CheckSource<TOracleFile>("emp_pkg.pkb", Source(EmpPackage), OFC),
            "emp_pkg.pkb\n"
            "\tGeneral\n"
            "\t\tOpen=Fetch=Close does not match for C_CASE\n"
            "\t\tOpen=Fetch=Close does not match for C_SAL\n");
}

TEST(EmpPackage, EveryRoutineEndsAtItsOwnEnd) {
  TTempTree Tmp;
  TOracleFile F(nullptr);
  PrepareFile(F, Tmp, "emp_pkg.pkb", Source(EmpPackage));
  ASSERT_TRUE(F.Load());
  F.Analyse(OFC);
  std::vector<std::string> Keys;
  for (const auto& Entry : F.Routines) {
    Keys.push_back(Entry.first);
    EXPECT_EQ(Entry.second->Depth, 0) << Entry.first;
  }
  EXPECT_EQ(Keys, (std::vector<std::string>{"[0  ] LIST_EMPS", "[1  ] FIRST_SALARY",
                                            "[2  ] TOUCH_ONLY", "[3  ] LOOP_OPEN"}));
  const TCodeItem* Emp = F.CodeItems.at("C_EMP").get();
  EXPECT_EQ(Emp->CreateCount, 1);
  EXPECT_EQ(Emp->FetchCount, 1);
  EXPECT_EQ(Emp->FreeCount, 1);
  EXPECT_EQ(F.CodeItems.count("C_ANON"), 0u);
  EXPECT_FALSE(F.InRoutine);
}

struct BodyCase {
  const char* Title;
  std::vector<std::string> Lines;
  const char* Expected;  // entries under General; empty: no finding
};

class OracleBodyTest : public ::testing::TestWithParam<BodyCase> {};

TEST_P(OracleBodyTest, Findings) {
  const std::string Found = CheckSource<TOracleFile>("b.sql", Source(GetParam().Lines), OFC);
  const std::string Expected = std::string(GetParam().Expected).empty()
                                   ? ""
                                   : "b.sql\n\tGeneral\n" + std::string(GetParam().Expected);
  EXPECT_EQ(Found, Expected) << GetParam().Title;
}

INSTANTIATE_TEST_SUITE_P(
    Cursors, OracleBodyTest,
    ::testing::Values(
        BodyCase{"opened and fetched, never closed",
                 {"PROCEDURE p IS", "BEGIN", "  OPEN c1;", "  FETCH c1 INTO x;", "END;"},
                 "\t\tOpen=Fetch=Close does not match for C1\n"},
        BodyCase{"opened only", {"PROCEDURE p IS", "BEGIN", "  OPEN c1;", "END;"}, ""},
        BodyCase{"a quoted name with a blank is one name",
                 {"PROCEDURE p IS", "BEGIN", "  OPEN \"Open Periods\";",
                  "  FETCH \"Open Periods\" INTO x;", "END;"},
                 "\t\tOpen=Fetch=Close does not match for \"OPEN PERIODS\"\n"},
        BodyCase{"opened, fetched and closed once each",
                 {"PROCEDURE p IS", "BEGIN", "  OPEN c1(10);", "  FETCH c1 INTO x;", "  CLOSE c1;",
                  "END;"},
                 ""},
        BodyCase{"outside any routine",
                 {"DECLARE", "  x NUMBER;", "BEGIN", "  OPEN c1;", "  FETCH c1 INTO x;", "END;"},
                 ""},
        // END IF closes no block, so the CLOSE after it still belongs to the routine.
        BodyCase{"END IF between OPEN and CLOSE",
                 {"PROCEDURE p IS", "BEGIN", "  OPEN c1;", "  FETCH c1 INTO x;", "  IF x > 0 THEN",
                  "    NULL;", "  END IF;", "  CLOSE c1;", "END;"},
                 ""},
        BodyCase{"END and IF on two lines close a block",
                 {"PROCEDURE p IS", "BEGIN", "  OPEN c1;", "  FETCH c1 INTO x;",
                  "  IF x > 0 THEN NULL; END", "  IF;", "  CLOSE c1;", "END;"},
                 "\t\tOpen=Fetch=Close does not match for C1\n"},
        BodyCase{"END followed by a word that only starts with IF closes",
                 {"PROCEDURE p IS", "BEGIN", "  OPEN c1;", "  FETCH c1 INTO x;", "END IFX;",
                  "CLOSE c1;"},
                 "\t\tOpen=Fetch=Close does not match for C1\n"},
        BodyCase{"a nested block's END does close it",
                 {"PROCEDURE p IS", "BEGIN", "  BEGIN", "    OPEN c1;", "  END;",
                  "  FETCH c1 INTO x;", "END;", "CLOSE c1;"},
                 "\t\tOpen=Fetch=Close does not match for C1\n"},
        BodyCase{"OPEN and CLOSE on one line",
                 {"PROCEDURE p IS", "BEGIN", "  OPEN c1; CLOSE c1;", "END;"},
                 "\t\tOpen=Fetch=Close does not match for C1\n"},
        BodyCase{"each word counts once per line",
                 {"PROCEDURE p IS", "BEGIN", "  OPEN c1; OPEN c1; FETCH c1 INTO x;", "  CLOSE c1;",
                  "END;"},
                 ""},
        BodyCase{"opened in one routine, closed in another",
                 {"PROCEDURE a IS", "BEGIN", "  OPEN c1;", "  FETCH c1 INTO x;", "END;",
                  "PROCEDURE b IS", "BEGIN", "  CLOSE c1;", "END;"},
                 ""},
        BodyCase{"a loop written once counts once",
                 {"PROCEDURE p IS", "BEGIN", "  OPEN c1;", "  LOOP", "    FETCH c1 INTO x;",
                  "    EXIT WHEN c1%NOTFOUND;", "  END LOOP;", "  CLOSE c1;", "END;"},
                 ""},
        BodyCase{"comments and strings hide cursor words",
                 {"PROCEDURE p IS", "BEGIN", "  OPEN c1; -- CLOSE c1", "  /* FETCH c1",
                  "     CLOSE c1 */ FETCH c1 INTO x;", "  x := 'CLOSE c1';", "END;"},
                 "\t\tOpen=Fetch=Close does not match for C1\n"},
        // A CASE expression ends with a plain END: it closes the block its CASE opened, so the
        // routine goes on and the CLOSE after it still belongs to it.
        BodyCase{
            "CASE expression between OPEN and CLOSE",
            {"PROCEDURE p IS", "BEGIN", "  OPEN c1;", "  FETCH c1 INTO x;",
             "  SELECT CASE WHEN x > 0 THEN 1 ELSE 0 END INTO y FROM dual;", "  CLOSE c1;", "END;"},
            ""},
        BodyCase{"CASE expression spread over lines inside a CASE statement",
                 {"PROCEDURE p IS", "BEGIN", "  OPEN c1;", "  FETCH c1 INTO x;", "  CASE x",
                  "    WHEN 1 THEN", "      y := CASE", "             WHEN z THEN 1",
                  "             ELSE 2", "           END;", "    ELSE NULL;", "  END   CASE;",
                  "  CLOSE c1;", "END;"},
                 ""},
        BodyCase{"the routine still ends at its own END after CASE blocks",
                 {"PROCEDURE p IS", "BEGIN", "  v := CASE WHEN a THEN 1 END;", "END;", "CLOSE c1;",
                  "PROCEDURE q IS", "BEGIN", "  OPEN c1;", "  FETCH c1 INTO x;", "END;"},
                 "\t\tOpen=Fetch=Close does not match for C1\n"},
        BodyCase{"cursors sort by name",
                 {"FUNCTION f RETURN NUMBER IS", "BEGIN", "  OPEN zz; FETCH zz INTO a;",
                  "  OPEN aa; FETCH aa INTO b;", "  RETURN 1;", "END f;"},
                 "\t\tOpen=Fetch=Close does not match for AA\n"
                 "\t\tOpen=Fetch=Close does not match for ZZ\n"},
        // A LOB handled through DBMS_LOB is no cursor, and nothing is named by the empty text.
        BodyCase{"calls of a package's OPEN and CLOSE are no cursor statements",
                 {"PROCEDURE load(p_id IN NUMBER) IS", "  l_lob BLOB;", "BEGIN",
                  "  dbms_lob.open(l_lob, dbms_lob.lob_readonly);", "  DBMS_LOB.CLOSE (l_lob);",
                  "  OPEN c_docs; FETCH c_docs INTO r;", "  close;", "END load;"},
                 "\t\tOpen=Fetch=Close does not match for C_DOCS\n"}));

// A package specification declares routines without bodies; each replaces the one before.
TEST(PackageSpec, DeclarationsCountNothing) {
  const std::string Spec =
      Source({"CREATE OR REPLACE PACKAGE emp_pkg AS", "  PROCEDURE list_emps(p_dept IN NUMBER);",
              "  FUNCTION first_salary(p_dept IN NUMBER) RETURN NUMBER;", "END emp_pkg;"});
  EXPECT_EQ(CheckSource<TOracleFile>("emp_pkg.pks", Spec, OFC), "");
}

TEST(OracleChecks, DelphiOptionsReportNothingForCursors) {
  EXPECT_EQ(CheckSource<TOracleFile>("e.pkb", Source(EmpPackage), CheckBit(coCreateDestroy)),
            "e.pkb\n"
            "\tGeneral\n"
            "\t\tC_CASE created 1 times and destroyed 0 times\n"
            "\t\tC_SAL created 1 times and destroyed 0 times\n"
            "\t\tC_T created 1 times and destroyed 0 times\n");
}

}  // namespace
