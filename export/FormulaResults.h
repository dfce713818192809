#pragma once

class QXmlStreamReader;

// A formula cell of a workbook carries the result its application computed
// when it last saved it. A template's total over the record table would then
// show its old value in an application that trusts that result, so the
// export drops the result and every reader computes the formula afresh.
class FormulaResults
{
public:
    // Called for each token of a worksheet before it is copied. True when the
    // reader stood on the stored result of a formula cell; the reader is then
    // at the end of that result, and nothing of it is to be copied.
    bool skipStored(QXmlStreamReader &xml);

private:
    bool m_inCell = false;
    bool m_formula = false;
};
