#pragma once

#include "data/Connection.h"
#include "data/Dataset.h"
#include "data/RecordRulesHost.h"

#include <QObject>

#include <initializer_list>

namespace zev {

// The data module: the one holder of the connection and of every dataset and data source.
// Created first at start-up with every dataset closed, all parameters Null and the connection
// closed; reached through the global DM_MB.
class TDM_MB : public QObject {
    Q_OBJECT
public:
    explicit TDM_MB(QObject* parent = nullptr);
    ~TDM_MB() override;

    Connection ADOCon;

    // Selection lists
    Query* ADOQ_Faculty;
    Query* ADOQ_f_educ;
    Query* ADOQ_Speciality;
    Table* ADOT_ObemChasov;
    Query* ADOQ_Year;
    Query* ADOQ_Semester;
    Query* ADOQ_group;
    Query* ADOQ_Students;

    // Electives and their lookup lists
    Query* ADOQ_SelectDisciplineForStudent;
    Query* ADOQ_DisciplineForStudent;
    Query* ADOQ_Teacher;
    Query* ADOQ_Semester2;
    Query* ADOQ_SubGroup;
    // The places of the streams of one discipline, teacher, year and half-year: their capacity
    // and how many are taken (read when the stream list drops down and a stream is chosen).
    Query* ADOQ_StreamPlaces;

    // Chosen disciplines and their lists
    Query* ADOQ_disciplineForStudent2;
    Query* ADOQ_kafedra;
    Query* ADOQ_Discipline;
    Query* ADOQ_Teacher2;
    Query* ADOQ_potoki;

    // Statement runner and the debts pair
    Query* ADOQ_Exec;
    Query* ADOQ_GetDebts;
    Query* ADOQ_Debts;

    DataSource* DS_Faculty;
    DataSource* DS_f_educ;
    DataSource* DS_Speciality;
    DataSource* DS_Year;
    DataSource* DS_Semester;
    DataSource* DS_group;
    DataSource* DS_Students;
    DataSource* DS_SelectDisciplineForStudent;
    DataSource* DS_DisciplineForStudent;
    DataSource* DS_Teacher;
    DataSource* DS_Semester2;
    DataSource* DS_SubGroup;
    DataSource* DS_disciplineForStudent2;
    DataSource* DS_GetDebts;
    DataSource* DS_Debts;

    // Record rules. They read the registration window's keys and login through the host, which
    // setRulesHost installs (nullptr removes the rules again).
    void setRulesHost(RecordRulesHost* host);
    RecordRulesHost* rulesHost() const { return host_; }

    void ADOQ_SelectDisciplineForStudentAfterScroll(Dataset& dataSet);
    void ADOQ_SelectDisciplineForStudentBeforeInsert(Dataset& dataSet);
    void ADOQ_SelectDisciplineForStudentBeforePost(Dataset& dataSet);
    PostErrorAction ADOQ_SelectDisciplineForStudentPostError(Dataset& dataSet, const Error& e);
    void ADOQ_SelectDisciplineForStudentBeforeDelete(Dataset& dataSet);
    void ADOQ_disciplineForStudent2BeforePost(Dataset& dataSet);
    void ADOQ_disciplineForStudent2AfterPost(Dataset& dataSet);
    void ADOQ_DebtsBeforePost(Dataset& dataSet);

private:
    // The construction's steps, in order.
    void createSelectionLists();
    void createElectivesLookupLists();
    void createElectives();
    void createChosenDisciplines();
    void createStatementRunnerAndDebts();
    void createDataSources();

    // A dataset of the module on its connection; the parameters named in typedParams hold
    // nullable 32-bit integers, the others take the type of the value assigned.
    Query* query(const QString& name, const QString& sql,
                 std::initializer_list<const char*> typedParams = {});
    // A data source of the module over the dataset.
    DataSource* source(const QString& name, Dataset* dataset);

    RecordRulesHost* host_ = nullptr;
};

// The process-wide data module; set while a TDM_MB exists.
extern TDM_MB* DM_MB;

}  // namespace zev
