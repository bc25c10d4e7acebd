-- ZEV on Microsoft SQL Server, step 2 of 10: the tables, keys and indexes.
-- Re-runnable: each table and index is made only when it is missing.
-- The same tables and columns as the embedded server's server/schema/zev.sql; single-byte names
-- are varchar (code page 1251 through the database collation), wide ones nvarchar.

USE ZEV;
GO

-- Academic calendar -------------------------------------------------------------------------

IF OBJECT_ID(N'dbo.a_year', N'U') IS NULL
CREATE TABLE dbo.a_year (                   -- academic years
    id_a_year   int NOT NULL PRIMARY KEY,
    p32         varchar(10) NOT NULL        -- name, "2025/2026"
);

IF OBJECT_ID(N'dbo.rate', N'U') IS NULL
CREATE TABLE dbo.rate (                     -- year of study (course): 1st, 2nd, ...
    id_rate     int NOT NULL PRIMARY KEY,
    name        varchar(20) NOT NULL
);

IF OBJECT_ID(N'dbo.Semester', N'U') IS NULL
CREATE TABLE dbo.Semester (
    id_semester int NOT NULL PRIMARY KEY,
    p43         varchar(20) NOT NULL,       -- name
    id_w_s      int NOT NULL,               -- 2 for odd (autumn) semesters, 1 for even (spring)
    id_rate     int NOT NULL REFERENCES dbo.rate(id_rate)
);
IF INDEXPROPERTY(OBJECT_ID(N'dbo.Semester'), N'Semester_rate', 'IndexID') IS NULL
    CREATE INDEX Semester_rate ON dbo.Semester(id_rate);

-- Faculties, forms of education, specialities ------------------------------------------------

IF OBJECT_ID(N'dbo.Faculty', N'U') IS NULL
CREATE TABLE dbo.Faculty (
    id_faculty  int NOT NULL PRIMARY KEY,
    [p23-1]     varchar(200) NOT NULL       -- name
);

IF OBJECT_ID(N'dbo.f_educ', N'U') IS NULL
CREATE TABLE dbo.f_educ (                   -- forms of education
    id_f_educ   int NOT NULL PRIMARY KEY,
    p108        varchar(50) NOT NULL        -- name
);

IF OBJECT_ID(N'dbo.com_sfe', N'U') IS NULL
CREATE TABLE dbo.com_sfe (                  -- forms of education each faculty teaches in
    id_com_sfe  int NOT NULL PRIMARY KEY,
    id_faculty  int NOT NULL REFERENCES dbo.Faculty(id_faculty),
    id_f_educ   int NOT NULL REFERENCES dbo.f_educ(id_f_educ),
    o_z         int NOT NULL,               -- stream code of the form (RRNKkrdt.id_o_z)
    UNIQUE (id_faculty, id_f_educ)
);

IF OBJECT_ID(N'dbo.ObemChasov', N'U') IS NULL
CREATE TABLE dbo.ObemChasov (               -- volume of hours of a curriculum
    id_obem_chasov int IDENTITY(1,1) NOT NULL PRIMARY KEY,
    n_obem_chasov  nvarchar(20) NOT NULL
);

IF OBJECT_ID(N'dbo.Speciality_form', N'U') IS NULL
CREATE TABLE dbo.Speciality_form (          -- a speciality as a faculty teaches it in one form
    id_speciality_form int NOT NULL PRIMARY KEY,
    id_speciality      int NOT NULL,
    [p25-2]            varchar(300) NOT NULL,  -- name
    id_obem_chasov     int NULL,               -- may name no row of ObemChasov
    id_faculty         int NOT NULL REFERENCES dbo.Faculty(id_faculty),
    id_f_educ          int NOT NULL REFERENCES dbo.f_educ(id_f_educ)
);
IF INDEXPROPERTY(OBJECT_ID(N'dbo.Speciality_form'), N'Speciality_form_faculty', 'IndexID') IS NULL
    CREATE INDEX Speciality_form_faculty ON dbo.Speciality_form(id_faculty, id_f_educ);

-- Groups and students -----------------------------------------------------------------------

IF OBJECT_ID(N'dbo.group', N'U') IS NULL
CREATE TABLE dbo.[group] (
    id_group    int NOT NULL PRIMARY KEY,
    p20         varchar(20) NOT NULL        -- name
);

IF OBJECT_ID(N'dbo.g_s', N'U') IS NULL
CREATE TABLE dbo.g_s (                      -- speciality of each group
    id_group      int NOT NULL REFERENCES dbo.[group](id_group),
    id_speciality int NOT NULL,
    PRIMARY KEY (id_group, id_speciality)
);
IF INDEXPROPERTY(OBJECT_ID(N'dbo.g_s'), N'g_s_speciality', 'IndexID') IS NULL
    CREATE INDEX g_s_speciality ON dbo.g_s(id_speciality, id_group);

IF OBJECT_ID(N'dbo.g_r_y', N'U') IS NULL
CREATE TABLE dbo.g_r_y (                    -- the course (rate) of a group in an academic year
    id_group    int NOT NULL REFERENCES dbo.[group](id_group),
    id_rate     int NOT NULL REFERENCES dbo.rate(id_rate),
    id_a_year   int NOT NULL REFERENCES dbo.a_year(id_a_year),
    PRIMARY KEY (id_group, id_a_year)
);
IF INDEXPROPERTY(OBJECT_ID(N'dbo.g_r_y'), N'g_r_y_year', 'IndexID') IS NULL
    CREATE INDEX g_r_y_year ON dbo.g_r_y(id_a_year, id_rate);

IF OBJECT_ID(N'dbo.s_fio', N'U') IS NULL
CREATE TABLE dbo.s_fio (                    -- students and their full names
    id_student  int NOT NULL PRIMARY KEY,
    s_fio       varchar(100) NOT NULL
);

IF OBJECT_ID(N'dbo.s_g', N'U') IS NULL
CREATE TABLE dbo.s_g (                      -- students of each group
    id_student  int NOT NULL REFERENCES dbo.s_fio(id_student),
    id_group    int NOT NULL REFERENCES dbo.[group](id_group),
    PRIMARY KEY (id_group, id_student)
);
IF INDEXPROPERTY(OBJECT_ID(N'dbo.s_g'), N's_g_student', 'IndexID') IS NULL
    CREATE INDEX s_g_student ON dbo.s_g(id_student);

-- Disciplines, departments, teachers ------------------------------------------------------------

IF OBJECT_ID(N'dbo.discipline', N'U') IS NULL
CREATE TABLE dbo.discipline (
    id_discipline int NOT NULL PRIMARY KEY,
    p34           varchar(100) NOT NULL     -- name
);

IF OBJECT_ID(N'dbo.kafedra', N'U') IS NULL
CREATE TABLE dbo.kafedra (                  -- departments
    id_kafedra  int NOT NULL PRIMARY KEY,
    f1          varchar(50) NOT NULL,       -- name
    id_faculty  int NULL REFERENCES dbo.Faculty(id_faculty)
);

IF OBJECT_ID(N'dbo.examination', N'U') IS NULL
CREATE TABLE dbo.examination (              -- kinds of examination
    id_examination int NOT NULL PRIMARY KEY,
    name           varchar(50) NOT NULL
);

IF OBJECT_ID(N'dbo.teacher', N'U') IS NULL
CREATE TABLE dbo.teacher (
    id_teacher  int NOT NULL PRIMARY KEY,
    p26         varchar(40) NOT NULL,       -- surname
    p27         varchar(30) NOT NULL,       -- first name
    p28         varchar(30) NOT NULL        -- patronymic
);

IF OBJECT_ID(N'dbo.pps', N'U') IS NULL
CREATE TABLE dbo.pps (                      -- teaching positions: a teacher in a department
    id_pps      int NOT NULL PRIMARY KEY,
    id_teacher  int NOT NULL REFERENCES dbo.teacher(id_teacher),
    id_kafedra  int NOT NULL REFERENCES dbo.kafedra(id_kafedra),
    kind        int NOT NULL                -- 1 main, 2 second job, 3 hourly; see GetTFIO_with_pps
);
IF INDEXPROPERTY(OBJECT_ID(N'dbo.pps'), N'pps_kafedra', 'IndexID') IS NULL
    CREATE INDEX pps_kafedra ON dbo.pps(id_kafedra, id_teacher);

-- Streams: a discipline taught by one teacher in one academic year and half-year ---------------

IF OBJECT_ID(N'dbo.RRNKkrdt', N'U') IS NULL
CREATE TABLE dbo.RRNKkrdt (
    id_rrnkkrdt    int IDENTITY(1,1) NOT NULL PRIMARY KEY,
    id_kafedra     int NULL,
    id_teacher     int NULL,
    id_discipline  int NULL,
    id_examination int NULL,
    id_a_year      int NULL,
    id_w_s         int NULL,
    subgroup       int NULL,                -- stream number
    id_o_z         int NULL,
    id_semester    int NULL,
    prov_reyt      int NULL,
    plan_fakt      int NULL,
    id_type_chasov int NULL,
    capacity       int NULL CONSTRAINT RRNKkrdt_capacity CHECK (capacity > 0)  -- places; NULL: unlimited
);
IF INDEXPROPERTY(OBJECT_ID(N'dbo.RRNKkrdt'), N'RRNKkrdt_year', 'IndexID') IS NULL
    CREATE INDEX RRNKkrdt_year ON dbo.RRNKkrdt(id_a_year, id_w_s);
IF INDEXPROPERTY(OBJECT_ID(N'dbo.RRNKkrdt'), N'RRNKkrdt_o_z', 'IndexID') IS NULL
    CREATE INDEX RRNKkrdt_o_z ON dbo.RRNKkrdt(id_o_z);
-- The chosen-disciplines lists of one year and half-year group the streams by department and
-- discipline, by department and teacher, and by stream number: each reads one of these in order.
IF INDEXPROPERTY(OBJECT_ID(N'dbo.RRNKkrdt'), N'RRNKkrdt_half_discipline', 'IndexID') IS NULL
    CREATE INDEX RRNKkrdt_half_discipline
        ON dbo.RRNKkrdt(id_a_year, id_w_s, id_kafedra, id_discipline);
IF INDEXPROPERTY(OBJECT_ID(N'dbo.RRNKkrdt'), N'RRNKkrdt_half_teacher', 'IndexID') IS NULL
    CREATE INDEX RRNKkrdt_half_teacher ON dbo.RRNKkrdt(id_a_year, id_w_s, id_kafedra, id_teacher);
IF INDEXPROPERTY(OBJECT_ID(N'dbo.RRNKkrdt'), N'RRNKkrdt_half_stream', 'IndexID') IS NULL
    CREATE INDEX RRNKkrdt_half_stream ON dbo.RRNKkrdt(id_a_year, id_w_s, subgroup, id_teacher);

-- Curriculum: the elective places of a speciality and the alternatives for each -----------------

IF OBJECT_ID(N'dbo.plan_elective', N'U') IS NULL
CREATE TABLE dbo.plan_elective (            -- one alternative of a group of alternatives
    id_plan_elective int NOT NULL PRIMARY KEY,
    id_speciality    int NOT NULL,
    id_a_year        int NOT NULL REFERENCES dbo.a_year(id_a_year),
    id_semester      int NOT NULL REFERENCES dbo.Semester(id_semester),
    descGroupNum     int NOT NULL,          -- the group of alternatives
    id_discipline    int NOT NULL REFERENCES dbo.discipline(id_discipline),
    id_kafedra       int NULL REFERENCES dbo.kafedra(id_kafedra),
    id_examination   int NULL REFERENCES dbo.examination(id_examination),
    Krdt             int NULL               -- credits
);
IF INDEXPROPERTY(OBJECT_ID(N'dbo.plan_elective'), N'plan_elective_place', 'IndexID') IS NULL
    CREATE INDEX plan_elective_place ON dbo.plan_elective(id_speciality, id_a_year, id_semester);

-- Each student's elective places and what is chosen for them -----------------------------------

IF OBJECT_ID(N'dbo.DisciplineForStudent', N'U') IS NULL
CREATE TABLE dbo.DisciplineForStudent (
    id_disciplineForStudent int IDENTITY(1,1) NOT NULL PRIMARY KEY,
    id_student     int NOT NULL REFERENCES dbo.s_fio(id_student),
    id_speciality  int NOT NULL,
    plan_a_year    int NOT NULL,            -- the place in the curriculum: year,
    plan_semester  int NOT NULL,            --   semester
    id_group       int NULL,                --   and group
    descGroupNum   int NULL,                -- the group of alternatives of the place
    fixed_discipline int NULL REFERENCES dbo.discipline(id_discipline),  -- fixed by the curriculum
    p30            varchar(20) NULL,        -- curriculum code of the place
    id_discipline  int NULL REFERENCES dbo.discipline(id_discipline),
    id_teacher     int NULL REFERENCES dbo.teacher(id_teacher),
    ZEV_user       nvarchar(20) NULL,       -- login of the last user who posted the row
    id_examination int NULL,
    subgroup       int NULL,                -- stream number
    id_semester    int NULL,                -- when the discipline is taken: semester
    id_a_year      int NULL                 --   and academic year
);
IF INDEXPROPERTY(OBJECT_ID(N'dbo.DisciplineForStudent'), N'DisciplineForStudent_place', 'IndexID') IS NULL
    CREATE INDEX DisciplineForStudent_place ON dbo.DisciplineForStudent(id_student, plan_a_year, plan_semester, id_speciality);

IF OBJECT_ID(N'dbo.DisciplineForStudent2', N'U') IS NULL
CREATE TABLE dbo.DisciplineForStudent2 (    -- disciplines chosen for a student in a semester
    id_disciplineForStudent2 int IDENTITY(1,1) NOT NULL PRIMARY KEY,
    id_student    int NOT NULL,
    id_a_year     int NOT NULL,
    id_semester   int NOT NULL,
    id_kafedra    int NULL,
    id_discipline int NULL,
    id_teacher    int NULL,
    subgroup      int NULL
);
IF INDEXPROPERTY(OBJECT_ID(N'dbo.DisciplineForStudent2'), N'DisciplineForStudent2_student', 'IndexID') IS NULL
    CREATE INDEX DisciplineForStudent2_student ON dbo.DisciplineForStudent2(id_student, id_a_year, id_semester);

IF OBJECT_ID(N'dbo.Debts', N'U') IS NULL
CREATE TABLE dbo.Debts (
    id_debts      int IDENTITY(1,1) NOT NULL PRIMARY KEY,
    id_semester   int NULL,
    id_student    int NULL,
    id_discipline int NULL
);
IF INDEXPROPERTY(OBJECT_ID(N'dbo.Debts'), N'Debts_student', 'IndexID') IS NULL
    CREATE INDEX Debts_student ON dbo.Debts(id_student, id_semester);

-- Sign-in: staff accounts, database accounts, releases, log -------------------------------------

IF OBJECT_ID(N'dbo.db_account', N'U') IS NULL
CREATE TABLE dbo.db_account (               -- accounts that a connection string may name
    name        nvarchar(20) NOT NULL PRIMARY KEY,  -- a SQL Server login of 05_accounts.sql
    password    nvarchar(20) NOT NULL,
    signin_only int NOT NULL DEFAULT 0      -- 1: may run GET_USER and nothing else
);

IF OBJECT_ID(N'dbo.zev_login', N'U') IS NULL
CREATE TABLE dbo.zev_login (                -- members of staff
    id_login         int NOT NULL PRIMARY KEY,
    login            nvarchar(50) NOT NULL UNIQUE,
    pwd_digest       char(32) NOT NULL,     -- upper-case hexadecimal MD5
    pwd_changed      date NOT NULL,         -- date of the last change
    pwd_max_age_days int NOT NULL DEFAULT 90,
    must_change      int NOT NULL DEFAULT 0,  -- an administrator demands a change
    locked           int NOT NULL DEFAULT 0,
    db_user          nvarchar(20) NOT NULL REFERENCES dbo.db_account(name)
);

IF OBJECT_ID(N'dbo.user_faculty', N'U') IS NULL
CREATE TABLE dbo.user_faculty (             -- faculties assigned to each member of staff
    id_login    int NOT NULL REFERENCES dbo.zev_login(id_login),
    faculty     int NOT NULL REFERENCES dbo.Faculty(id_faculty),
    PRIMARY KEY (id_login, faculty)
);

IF OBJECT_ID(N'dbo.program_release', N'U') IS NULL
CREATE TABLE dbo.program_release (          -- published releases of the client programs
    id_release  int NOT NULL PRIMARY KEY,
    program     nvarchar(50) NOT NULL,
    version     int NOT NULL,
    published   date NOT NULL
);

IF OBJECT_ID(N'dbo.workstation_release', N'U') IS NULL
CREATE TABLE dbo.workstation_release (      -- the release each workstation was given
    computer    nvarchar(256) NOT NULL,
    program     nvarchar(50) NOT NULL,
    version     int NOT NULL,
    PRIMARY KEY (computer, program)
);

IF OBJECT_ID(N'dbo.signin_log', N'U') IS NULL
CREATE TABLE dbo.signin_log (               -- every call of GET_USER; never a digest
    id_signin   int IDENTITY(1,1) NOT NULL PRIMARY KEY,
    at          datetime2(0) NOT NULL,
    login       nvarchar(50) NOT NULL,
    program     nvarchar(50) NULL,
    ip          varchar(45) NULL,
    computer    nvarchar(256) NULL,
    outcome     nvarchar(200) NOT NULL
);
IF INDEXPROPERTY(OBJECT_ID(N'dbo.signin_log'), N'signin_log_login', 'IndexID') IS NULL
    CREATE INDEX signin_log_login ON dbo.signin_log(login, id_signin);  -- the guessing count
GO
