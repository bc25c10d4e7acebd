-- The ZEV database as the embedded server keeps it (SQLite dialect).
-- The T-SQL deployment scripts in server/mssql create the same objects on SQL Server.

PRAGMA foreign_keys = ON;

-- Text columns compare as SQL Server's Cyrillic_General_CI_AS (zev_ci: letter case and trailing
-- blanks ignored; the embedded server registers it on every connection). Integer columns hold
-- SQL Server's int: each checks its range, which also keeps texts out.

-- Academic calendar -------------------------------------------------------------------------

CREATE TABLE a_year (                       -- academic years
    id_a_year   INTEGER PRIMARY KEY CHECK (id_a_year BETWEEN -2147483648 AND 2147483647),
    p32         TEXT COLLATE zev_ci NOT NULL               -- name, "2025/2026"
);

CREATE TABLE rate (                         -- year of study (course): 1st, 2nd, ...
    id_rate     INTEGER PRIMARY KEY CHECK (id_rate BETWEEN -2147483648 AND 2147483647),
    name        TEXT COLLATE zev_ci NOT NULL
);

CREATE TABLE Semester (
    id_semester INTEGER PRIMARY KEY CHECK (id_semester BETWEEN -2147483648 AND 2147483647),
    p43         TEXT COLLATE zev_ci NOT NULL,              -- name
    id_w_s      INTEGER NOT NULL CHECK (id_w_s BETWEEN -2147483648 AND 2147483647),           -- 2 for odd (autumn) semesters, 1 for even (spring)
    id_rate     INTEGER NOT NULL REFERENCES rate(id_rate) CHECK (id_rate BETWEEN -2147483648 AND 2147483647)
);
CREATE INDEX Semester_rate ON Semester(id_rate);

-- Faculties, forms of education, specialities ------------------------------------------------

CREATE TABLE Faculty (
    id_faculty  INTEGER PRIMARY KEY CHECK (id_faculty BETWEEN -2147483648 AND 2147483647),
    "p23-1"     TEXT COLLATE zev_ci NOT NULL               -- name
);

CREATE TABLE f_educ (                       -- forms of education
    id_f_educ   INTEGER PRIMARY KEY CHECK (id_f_educ BETWEEN -2147483648 AND 2147483647),
    p108        TEXT COLLATE zev_ci NOT NULL               -- name
);

CREATE TABLE com_sfe (                      -- forms of education each faculty teaches in
    id_com_sfe  INTEGER PRIMARY KEY CHECK (id_com_sfe BETWEEN -2147483648 AND 2147483647),
    id_faculty  INTEGER NOT NULL REFERENCES Faculty(id_faculty) CHECK (id_faculty BETWEEN -2147483648 AND 2147483647),
    id_f_educ   INTEGER NOT NULL REFERENCES f_educ(id_f_educ) CHECK (id_f_educ BETWEEN -2147483648 AND 2147483647),
    o_z         INTEGER NOT NULL CHECK (o_z BETWEEN -2147483648 AND 2147483647),           -- stream code of the form (RRNKkrdt.id_o_z)
    UNIQUE (id_faculty, id_f_educ)
);

CREATE TABLE ObemChasov (                   -- volume of hours of a curriculum
    id_obem_chasov INTEGER PRIMARY KEY AUTOINCREMENT CHECK (id_obem_chasov BETWEEN -2147483648 AND 2147483647),
    n_obem_chasov  TEXT COLLATE zev_ci NOT NULL
);

CREATE TABLE Speciality_form (              -- a speciality as a faculty teaches it in one form
    id_speciality_form INTEGER PRIMARY KEY CHECK (id_speciality_form BETWEEN -2147483648 AND 2147483647),
    id_speciality      INTEGER NOT NULL CHECK (id_speciality BETWEEN -2147483648 AND 2147483647),
    "p25-2"            TEXT COLLATE zev_ci NOT NULL,       -- name
    id_obem_chasov     INTEGER CHECK (id_obem_chasov BETWEEN -2147483648 AND 2147483647),             -- may name no row of ObemChasov
    id_faculty         INTEGER NOT NULL REFERENCES Faculty(id_faculty) CHECK (id_faculty BETWEEN -2147483648 AND 2147483647),
    id_f_educ          INTEGER NOT NULL REFERENCES f_educ(id_f_educ) CHECK (id_f_educ BETWEEN -2147483648 AND 2147483647)
);
CREATE INDEX Speciality_form_faculty ON Speciality_form(id_faculty, id_f_educ);

-- Groups and students -----------------------------------------------------------------------

CREATE TABLE "group" (
    id_group    INTEGER PRIMARY KEY CHECK (id_group BETWEEN -2147483648 AND 2147483647),
    p20         TEXT COLLATE zev_ci NOT NULL               -- name
);

CREATE TABLE g_s (                          -- speciality of each group
    id_group      INTEGER NOT NULL REFERENCES "group"(id_group) CHECK (id_group BETWEEN -2147483648 AND 2147483647),
    id_speciality INTEGER NOT NULL CHECK (id_speciality BETWEEN -2147483648 AND 2147483647),
    PRIMARY KEY (id_group, id_speciality)
);
CREATE INDEX g_s_speciality ON g_s(id_speciality, id_group);

CREATE TABLE g_r_y (                        -- the course (rate) of a group in an academic year
    id_group    INTEGER NOT NULL REFERENCES "group"(id_group) CHECK (id_group BETWEEN -2147483648 AND 2147483647),
    id_rate     INTEGER NOT NULL REFERENCES rate(id_rate) CHECK (id_rate BETWEEN -2147483648 AND 2147483647),
    id_a_year   INTEGER NOT NULL REFERENCES a_year(id_a_year) CHECK (id_a_year BETWEEN -2147483648 AND 2147483647),
    PRIMARY KEY (id_group, id_a_year)
);
CREATE INDEX g_r_y_year ON g_r_y(id_a_year, id_rate);

CREATE TABLE s_fio (                        -- students and their full names
    id_student  INTEGER PRIMARY KEY CHECK (id_student BETWEEN -2147483648 AND 2147483647),
    s_fio       TEXT COLLATE zev_ci NOT NULL
);

CREATE TABLE s_g (                          -- students of each group
    id_student  INTEGER NOT NULL REFERENCES s_fio(id_student) CHECK (id_student BETWEEN -2147483648 AND 2147483647),
    id_group    INTEGER NOT NULL REFERENCES "group"(id_group) CHECK (id_group BETWEEN -2147483648 AND 2147483647),
    PRIMARY KEY (id_group, id_student)
);
CREATE INDEX s_g_student ON s_g(id_student);

-- Disciplines, departments, teachers ------------------------------------------------------------

CREATE TABLE discipline (
    id_discipline INTEGER PRIMARY KEY CHECK (id_discipline BETWEEN -2147483648 AND 2147483647),
    p34           TEXT COLLATE zev_ci NOT NULL             -- name
);

CREATE TABLE kafedra (                      -- departments
    id_kafedra  INTEGER PRIMARY KEY CHECK (id_kafedra BETWEEN -2147483648 AND 2147483647),
    f1          TEXT COLLATE zev_ci NOT NULL,              -- name
    id_faculty  INTEGER REFERENCES Faculty(id_faculty) CHECK (id_faculty BETWEEN -2147483648 AND 2147483647)
);

CREATE TABLE examination (                  -- kinds of examination
    id_examination INTEGER PRIMARY KEY CHECK (id_examination BETWEEN -2147483648 AND 2147483647),
    name           TEXT COLLATE zev_ci NOT NULL
);

CREATE TABLE teacher (
    id_teacher  INTEGER PRIMARY KEY CHECK (id_teacher BETWEEN -2147483648 AND 2147483647),
    p26         TEXT COLLATE zev_ci NOT NULL,              -- surname
    p27         TEXT COLLATE zev_ci NOT NULL,              -- first name
    p28         TEXT COLLATE zev_ci NOT NULL               -- patronymic
);

CREATE TABLE pps (                          -- teaching positions: a teacher in a department
    id_pps      INTEGER PRIMARY KEY CHECK (id_pps BETWEEN -2147483648 AND 2147483647),
    id_teacher  INTEGER NOT NULL REFERENCES teacher(id_teacher) CHECK (id_teacher BETWEEN -2147483648 AND 2147483647),
    id_kafedra  INTEGER NOT NULL REFERENCES kafedra(id_kafedra) CHECK (id_kafedra BETWEEN -2147483648 AND 2147483647),
    kind        INTEGER NOT NULL CHECK (kind BETWEEN -2147483648 AND 2147483647)            -- 1 main, 2 internal second job, 3 external second
                                            -- job, 4 hourly; see GetTFIO_with_pps
);
CREATE INDEX pps_kafedra ON pps(id_kafedra, id_teacher);

CREATE VIEW t_fio AS
    SELECT id_teacher, p26 || ' ' || p27 || ' ' || p28 AS t_fio FROM teacher;

-- Streams: a discipline taught by one teacher in one academic year and half-year ---------------

CREATE TABLE RRNKkrdt (
    id_rrnkkrdt    INTEGER PRIMARY KEY AUTOINCREMENT CHECK (id_rrnkkrdt BETWEEN -2147483648 AND 2147483647),
    id_kafedra     INTEGER CHECK (id_kafedra BETWEEN -2147483648 AND 2147483647),
    id_teacher     INTEGER CHECK (id_teacher BETWEEN -2147483648 AND 2147483647),
    id_discipline  INTEGER CHECK (id_discipline BETWEEN -2147483648 AND 2147483647),
    id_examination INTEGER CHECK (id_examination BETWEEN -2147483648 AND 2147483647),
    id_a_year      INTEGER CHECK (id_a_year BETWEEN -2147483648 AND 2147483647),
    id_w_s         INTEGER CHECK (id_w_s BETWEEN -2147483648 AND 2147483647),
    subgroup       INTEGER CHECK (subgroup BETWEEN -2147483648 AND 2147483647),                 -- stream number
    id_o_z         INTEGER CHECK (id_o_z BETWEEN -2147483648 AND 2147483647),
    id_semester    INTEGER CHECK (id_semester BETWEEN -2147483648 AND 2147483647),
    prov_reyt      INTEGER CHECK (prov_reyt BETWEEN -2147483648 AND 2147483647),
    plan_fakt      INTEGER CHECK (plan_fakt BETWEEN -2147483648 AND 2147483647),
    id_type_chasov INTEGER CHECK (id_type_chasov BETWEEN -2147483648 AND 2147483647)
);
-- The chosen-disciplines lists of one year and half-year read these covering indexes in order:
-- departments and disciplines by department and discipline, teachers by department and teacher,
-- streams by stream number. Each holds the same columns, so that SQLite picks by order alone.
CREATE INDEX RRNKkrdt_year ON RRNKkrdt(id_a_year, id_w_s, id_kafedra, id_discipline, id_teacher,
                                       subgroup);
CREATE INDEX RRNKkrdt_half_teacher ON RRNKkrdt(id_a_year, id_w_s, id_kafedra, id_teacher,
                                               id_discipline, subgroup);
CREATE INDEX RRNKkrdt_half_stream ON RRNKkrdt(id_a_year, id_w_s, subgroup, id_teacher, id_kafedra,
                                              id_discipline);
-- The stream list reads whole rows of one form of education: a covering index.
CREATE INDEX RRNKkrdt_o_z ON RRNKkrdt(id_o_z, subgroup, id_a_year, id_kafedra, id_teacher,
                                      id_discipline, id_examination, id_w_s);
CREATE INDEX RRNKkrdt_teacher ON RRNKkrdt(id_teacher);

-- Curriculum: the elective places of a speciality and the alternatives for each -----------------

CREATE TABLE plan_elective (                -- one alternative of a group of alternatives
    id_plan_elective INTEGER PRIMARY KEY CHECK (id_plan_elective BETWEEN -2147483648 AND 2147483647),
    id_speciality    INTEGER NOT NULL CHECK (id_speciality BETWEEN -2147483648 AND 2147483647),
    id_a_year        INTEGER NOT NULL REFERENCES a_year(id_a_year) CHECK (id_a_year BETWEEN -2147483648 AND 2147483647),
    id_semester      INTEGER NOT NULL REFERENCES Semester(id_semester) CHECK (id_semester BETWEEN -2147483648 AND 2147483647),
    descGroupNum     INTEGER NOT NULL CHECK (descGroupNum BETWEEN -2147483648 AND 2147483647),      -- the group of alternatives
    id_discipline    INTEGER NOT NULL REFERENCES discipline(id_discipline) CHECK (id_discipline BETWEEN -2147483648 AND 2147483647),
    id_kafedra       INTEGER REFERENCES kafedra(id_kafedra) CHECK (id_kafedra BETWEEN -2147483648 AND 2147483647),
    id_examination   INTEGER REFERENCES examination(id_examination) CHECK (id_examination BETWEEN -2147483648 AND 2147483647),
    Krdt             INTEGER CHECK (Krdt BETWEEN -2147483648 AND 2147483647)                -- credits
);
CREATE INDEX plan_elective_place ON plan_elective(id_speciality, id_a_year, id_semester);

-- Each student's elective places and what is chosen for them -----------------------------------

CREATE TABLE DisciplineForStudent (
    id_disciplineForStudent INTEGER PRIMARY KEY AUTOINCREMENT CHECK (id_disciplineForStudent BETWEEN -2147483648 AND 2147483647),
    id_student     INTEGER NOT NULL REFERENCES s_fio(id_student) CHECK (id_student BETWEEN -2147483648 AND 2147483647),
    id_speciality  INTEGER NOT NULL CHECK (id_speciality BETWEEN -2147483648 AND 2147483647),
    plan_a_year    INTEGER NOT NULL CHECK (plan_a_year BETWEEN -2147483648 AND 2147483647),        -- the place in the curriculum: year,
    plan_semester  INTEGER NOT NULL CHECK (plan_semester BETWEEN -2147483648 AND 2147483647),        --   semester
    id_group       INTEGER CHECK (id_group BETWEEN -2147483648 AND 2147483647),                 --   and group
    descGroupNum   INTEGER CHECK (descGroupNum BETWEEN -2147483648 AND 2147483647),                 -- the group of alternatives of the place
    fixed_discipline INTEGER REFERENCES discipline(id_discipline) CHECK (fixed_discipline BETWEEN -2147483648 AND 2147483647),  -- fixed by the curriculum
    p30            TEXT COLLATE zev_ci,                    -- curriculum code of the place
    id_discipline  INTEGER REFERENCES discipline(id_discipline) CHECK (id_discipline BETWEEN -2147483648 AND 2147483647),
    id_teacher     INTEGER REFERENCES teacher(id_teacher) CHECK (id_teacher BETWEEN -2147483648 AND 2147483647),
    ZEV_user       TEXT COLLATE zev_ci,                    -- login of the last user who posted the row
    id_examination INTEGER CHECK (id_examination BETWEEN -2147483648 AND 2147483647),
    subgroup       INTEGER CHECK (subgroup BETWEEN -2147483648 AND 2147483647),                 -- stream number
    id_semester    INTEGER CHECK (id_semester BETWEEN -2147483648 AND 2147483647),                 -- when the discipline is taken: semester
    id_a_year      INTEGER CHECK (id_a_year BETWEEN -2147483648 AND 2147483647)                  --   and academic year
);
CREATE INDEX DisciplineForStudent_place
    ON DisciplineForStudent(id_student, plan_a_year, plan_semester, id_speciality);
CREATE INDEX DisciplineForStudent_taken ON DisciplineForStudent(id_student, id_semester);

CREATE TABLE DisciplineForStudent2 (        -- disciplines chosen for a student in a semester
    id_disciplineForStudent2 INTEGER PRIMARY KEY AUTOINCREMENT CHECK (id_disciplineForStudent2 BETWEEN -2147483648 AND 2147483647),
    id_student    INTEGER NOT NULL CHECK (id_student BETWEEN -2147483648 AND 2147483647),
    id_a_year     INTEGER NOT NULL CHECK (id_a_year BETWEEN -2147483648 AND 2147483647),
    id_semester   INTEGER NOT NULL CHECK (id_semester BETWEEN -2147483648 AND 2147483647),
    id_kafedra    INTEGER CHECK (id_kafedra BETWEEN -2147483648 AND 2147483647),
    id_discipline INTEGER CHECK (id_discipline BETWEEN -2147483648 AND 2147483647),
    id_teacher    INTEGER CHECK (id_teacher BETWEEN -2147483648 AND 2147483647),
    subgroup      INTEGER CHECK (subgroup BETWEEN -2147483648 AND 2147483647)
);
CREATE INDEX DisciplineForStudent2_student
    ON DisciplineForStudent2(id_student, id_a_year, id_semester);

CREATE TABLE Debts (
    id_debts      INTEGER PRIMARY KEY AUTOINCREMENT CHECK (id_debts BETWEEN -2147483648 AND 2147483647),
    id_semester   INTEGER CHECK (id_semester BETWEEN -2147483648 AND 2147483647),
    id_student    INTEGER CHECK (id_student BETWEEN -2147483648 AND 2147483647),
    id_discipline INTEGER CHECK (id_discipline BETWEEN -2147483648 AND 2147483647)
);
CREATE INDEX Debts_student ON Debts(id_student, id_semester);

-- Sign-in: staff accounts, database accounts, releases, log -------------------------------------

CREATE TABLE db_account (                   -- accounts that a connection string may name
    name        TEXT PRIMARY KEY,
    password    TEXT NOT NULL,
    signin_only INTEGER NOT NULL DEFAULT 0  -- 1: may run GET_USER and nothing else
);

CREATE TABLE zev_login (                    -- members of staff
    id_login         INTEGER PRIMARY KEY,
    login            TEXT NOT NULL UNIQUE,
    pwd_digest       TEXT NOT NULL,         -- upper-case hexadecimal MD5
    pwd_changed      TEXT NOT NULL,         -- date of the last change, YYYY-MM-DD (UTC)
    pwd_max_age_days INTEGER NOT NULL DEFAULT 90,
    must_change      INTEGER NOT NULL DEFAULT 0,  -- an administrator demands a change
    locked           INTEGER NOT NULL DEFAULT 0,
    db_user          TEXT NOT NULL REFERENCES db_account(name)
);

CREATE TABLE user_faculty (                 -- faculties assigned to each member of staff
    id_login    INTEGER NOT NULL REFERENCES zev_login(id_login),
    faculty     INTEGER NOT NULL REFERENCES Faculty(id_faculty),
    PRIMARY KEY (id_login, faculty)
);

CREATE TABLE program_release (              -- published releases of the client programs
    id_release  INTEGER PRIMARY KEY,
    program     TEXT NOT NULL,
    version     INTEGER NOT NULL,
    published   TEXT NOT NULL
);

CREATE TABLE workstation_release (          -- the release each workstation was given
    computer    TEXT NOT NULL,
    program     TEXT NOT NULL,
    version     INTEGER NOT NULL,
    PRIMARY KEY (computer, program)
);

CREATE TABLE signin_log (                   -- every call of GET_USER; never a digest
    id_signin   INTEGER PRIMARY KEY,
    at          TEXT NOT NULL,
    login       TEXT NOT NULL,
    program     TEXT,
    ip          TEXT,
    computer    TEXT,
    outcome     TEXT NOT NULL
);
CREATE INDEX signin_log_login ON signin_log(login COLLATE NOCASE, id_signin);  -- the guessing count

-- Finding a student by name ------------------------------------------------------------------

-- Each student's full name folded for searching (lower case, ё read as е), kept by the triggers
-- below; the index answers a search for the beginning of a name without reading every student.
-- zev_fold is the embedded server's own function (server/engine/NameSearch.cpp).
CREATE TABLE student_search (
    id_student  INTEGER PRIMARY KEY,
    fio_key     TEXT NOT NULL
);
CREATE INDEX student_search_key ON student_search(fio_key);

CREATE TRIGGER s_fio_search_insert AFTER INSERT ON s_fio BEGIN
    INSERT OR REPLACE INTO student_search (id_student, fio_key)
        VALUES (NEW.id_student, zev_fold(NEW.s_fio));
END;
CREATE TRIGGER s_fio_search_update AFTER UPDATE OF id_student, s_fio ON s_fio BEGIN
    DELETE FROM student_search WHERE id_student = OLD.id_student;
    INSERT OR REPLACE INTO student_search (id_student, fio_key)
        VALUES (NEW.id_student, zev_fold(NEW.s_fio));
END;
CREATE TRIGGER s_fio_search_delete AFTER DELETE ON s_fio BEGIN
    DELETE FROM student_search WHERE id_student = OLD.id_student;
END;

-- Later versions --------------------------------------------------------------------------------

-- The objects of later versions are made by the upgrade steps of server/engine/SchemaUpgrade.cpp,
-- which the generator runs after loading its rows and the server on opening an older file:
-- version 4, the history of the students' rows (zev_history and the triggers of
-- DisciplineForStudent and DisciplineForStudent2, server/engine/History.cpp); version 5, the
-- export of a group, adds procedures only (server/engine/GroupExport.cpp); version 6, stream
-- capacity (the column RRNKkrdt.capacity, its indexes and the capacity triggers of
-- DisciplineForStudent, server/engine/StreamCapacity.cpp).
