// The selection cascade: each choice re-reads the next list, clears and disables every
// drop-down below it and opens the next one.
#include "data/DataModule.h"
#include "data/ElectivesSql.h"
#include "data/FieldNames.h"
#include "registration/RegistrationWindow.h"

namespace zev {

namespace {

bool isNullKey(const DBLookupComboBox& box) {
    return !box.keyValue().has_value();
}

// While alive, the electives' after-scroll rule stays suppressed; it is released on every path
// out of a student choice, so that a failed reload never leaves the rule switched off.
class ReloadTag {
public:
    explicit ReloadTag(Dataset& electives) : electives_(electives) { electives_.setTag(1); }
    ~ReloadTag() { electives_.setTag(0); }
    ReloadTag(const ReloadTag&) = delete;
    ReloadTag& operator=(const ReloadTag&) = delete;

private:
    Dataset& electives_;
};

}  // namespace

void TForm1::clearAndDisable(DBLookupComboBox& box) {
    box.clear();
    box.setEnabled(false);
}

void TForm1::openNext(DBLookupComboBox& next) {
    next.clear();
    next.setEnabled(true);
    if (!choosingFound_) {
        next.dropDown();
    }
}

void TForm1::deactivate() {
    QFDBGridEvents1->setActive(false);
}

void TForm1::closeStreamList() {
    dm_.ADOQ_SubGroup->close();
}

void TForm1::DBLookupComboBox1Click() {
    closeStreamList();
    closeChosenRows();
    clearAndDisable(*DBLookupComboBox4);
    clearAndDisable(*DBLookupComboBox2);
    clearAndDisable(*DBLookupComboBox5);
    clearAndDisable(*DBLookupComboBox3);
    clearAndDisable(*DBLookupComboBox6);
    if (!isNullKey(*DBLookupComboBox1)) {
        dm_.ADOQ_f_educ->close();
        dm_.ADOQ_f_educ->paramByName(QStringLiteral("@id_faculty"))
            .setValue(DBLookupComboBox1->key());
        dm_.ADOQ_f_educ->open();
        openNext(*DBLookupComboBox7);
    }
    deactivate();
}

void TForm1::DBLookupComboBox7Click() {
    deactivate();
    closeStreamList();
    closeChosenRows();
    clearAndDisable(*DBLookupComboBox2);
    clearAndDisable(*DBLookupComboBox5);
    clearAndDisable(*DBLookupComboBox3);
    clearAndDisable(*DBLookupComboBox6);
    if (isNullKey(*DBLookupComboBox1)) {  // the faculty, not the form of education, guards
        return;
    }
    dm_.ADOQ_Speciality->close();
    dm_.ADOQ_Speciality->paramByName(field::id_faculty).setValue(DBLookupComboBox1->key());
    dm_.ADOQ_Speciality->paramByName(field::id_f_educ).setValue(DBLookupComboBox7->key());
    dm_.ADOQ_Speciality->open();
    openNext(*DBLookupComboBox4);
}

void TForm1::DBLookupComboBox4Click() {
    deactivate();
    closeStreamList();
    closeChosenRows();
    clearAndDisable(*DBLookupComboBox3);
    clearAndDisable(*DBLookupComboBox5);
    clearAndDisable(*DBLookupComboBox6);
    if (isNullKey(*DBLookupComboBox4)) {
        return;
    }
    dm_.ADOQ_Speciality->close();
    dm_.ADOQ_Speciality->paramByName(field::id_faculty).setValue(DBLookupComboBox1->key());
    dm_.ADOQ_Speciality->open();
    openNext(*DBLookupComboBox2);
    dm_.ADOQ_Semester2->close();
    dm_.ADOQ_Semester2->paramByName(field::id_speciality).setValue(DBLookupComboBox4->key());
    dm_.ADOQ_Semester2->open();
}

void TForm1::DBLookupComboBox2Click() {
    deactivate();
    closeStreamList();
    closeChosenRows();
    clearAndDisable(*DBLookupComboBox3);
    clearAndDisable(*DBLookupComboBox6);
    if (isNullKey(*DBLookupComboBox2)) {
        return;
    }
    openNext(*DBLookupComboBox5);
}

void TForm1::DBLookupComboBox5Click() {
    deactivate();
    closeStreamList();
    closeChosenRows();
    clearAndDisable(*DBLookupComboBox6);
    if (isNullKey(*DBLookupComboBox5)) {
        return;
    }
    Query& groups = *dm_.ADOQ_group;
    groups.close();
    groups.paramByName(field::id_a_year).setValue(DBLookupComboBox2->key());
    groups.paramByName(field::id_semester).setValue(DBLookupComboBox5->key());
    groups.paramByName(field::id_speciality).setValue(DBLookupComboBox4->key());
    groups.open();
    openNext(*DBLookupComboBox3);
}

void TForm1::DBLookupComboBox3Click() {
    deactivate();
    closeStreamList();
    closeChosenRows();
    if (isNullKey(*DBLookupComboBox3)) {
        return;
    }
    dm_.ADOQ_Students->close();
    dm_.ADOQ_Students->paramByName(field::id_group).setValue(DBLookupComboBox3->key());
    dm_.ADOQ_Students->open();
    openNext(*DBLookupComboBox6);
}

void TForm1::DBLookupComboBox6Click() {
    if (isNullKey(*DBLookupComboBox6)) {
        return;
    }
    // The rows of the student chosen before go first: should a step below fail, the grid must
    // not offer them under the new student.
    closeChosenRows();
    Query& electives = *dm_.ADOQ_SelectDisciplineForStudent;
    {
        ReloadTag reloading(electives);
        ReopenSubGroups();

        dm_.ADOQ_Teacher->close();
        dm_.ADOQ_Teacher->setSQL(ElectivesSql::allTeachers());
        dm_.ADOQ_Teacher->open();
        rememberTeacherNames();

        Query& disciplines = *dm_.ADOQ_DisciplineForStudent;
        disciplines.close();
        disciplines.paramByName(field::id_speciality).setValue(DBLookupComboBox4->key());
        disciplines.paramByName(field::id_a_year).setValue(DBLookupComboBox2->key());
        disciplines.paramByName(field::id_student).setValue(DBLookupComboBox6->key());
        disciplines.paramByName(field::id_semester).setValue(DBLookupComboBox5->key());
        disciplines.open();

        electives.setTag(1);
        deactivate();

        electives.close();
        electives.paramByName(field::id_speciality).setValue(DBLookupComboBox4->key());
        electives.paramByName(field::id_a_year).setValue(DBLookupComboBox2->key());
        electives.paramByName(field::id_semester).setValue(DBLookupComboBox5->key());
        electives.paramByName(field::id_student).setValue(DBLookupComboBox6->key());
        electives.paramByName(field::id_group).setValue(DBLookupComboBox3->key());
        electives.open();

        QFDBGridEvents1->setActive(true);
    }
    // The lists are narrowed for the first row only now that all of them are open.
    dm_.ADOQ_SelectDisciplineForStudentAfterScroll(electives);

    readChosenDisciplines();
}

void TForm1::ReopenSubGroups() {
    Query& streams = *dm_.ADOQ_SubGroup;
    streams.close();
    streams.paramByName(QStringLiteral("id_o_z"))
        .setValue(dm_.ADOQ_f_educ->fieldByName(QStringLiteral("o_z")).value());
    streams.open();
}

void TForm1::DBLookupComboBox1Enter() {
    refusedOnEnter_.reset();
    Dataset& electives = *dm_.ADOQ_SelectDisciplineForStudent;
    if (electives.state() == DatasetState::Edit) {
        try {
            electives.post();
        } catch (const Abort&) {
            // The post-error rule has told the user why; a choice on this drop-down need not.
            refusedOnEnter_ = rowAsItIs(electives);
            throw;
        }
    }
}

void TForm1::DBLookupComboBox1Exit(DBLookupComboBox& sender) {
    sender.closeUp();
}

}  // namespace zev
