-- ZEV on Microsoft SQL Server, step 7 of 10: the history of the students' rows. Runs after
-- 05_accounts.sql (it grants to the role zev_staff) and before 08_group_export.sql; it may be
-- run again.
--
-- Every insert, change and delete of an elective place (DisciplineForStudent) and of a chosen
-- discipline (DisciplineForStudent2) is written into dbo.zev_history by a trigger of the table,
-- whatever connection and statement made it: one row per column, for an insert each column the
-- new row fills, for a delete each column the row had filled, for a change each column whose
-- value changed, with the old and the new value as text.
--
-- Who: every member of staff works under the one database account zev_staff, so the login of
-- the connection (ORIGINAL_LOGIN(), kept in db_login) tells the account, not the person. The
-- client declares the member of staff it signed in right after it connects, with
-- sp_set_session_context @key = N'zev_login', @value = <login>, @read_only = 1; read-only, the
-- declaration cannot be changed for the rest of the session, and the triggers read it with
-- SESSION_CONTEXT (zev_login; NULL for a connection that declared nobody, a DBA's for
-- instance). CONTEXT_INFO would not do: any statement of the session may overwrite it. The
-- declaration rests on the sign-in the client made; a person who has the account's password
-- could declare anybody from another tool, which db_login and the time still show.
--
-- Rights: members of staff may read the history and nothing else; the triggers write it through
-- ownership chaining (the tables, the triggers and the history all belong to dbo), which the
-- DENY below does not stop. Disabling a trigger needs ALTER on its table, which staff lack.

USE ZEV;
GO

IF OBJECT_ID(N'dbo.zev_history', N'U') IS NULL
CREATE TABLE dbo.zev_history (
    id_history  bigint IDENTITY(1, 1) NOT NULL PRIMARY KEY,
    changed_at  datetime2(3) NOT NULL,        -- UTC
    zev_login   nvarchar(128) NULL,           -- the member of staff the connection declared
    db_login    nvarchar(128) NOT NULL,       -- the login of the connection that wrote
    table_name  nvarchar(128) NOT NULL,
    row_key     int NOT NULL,
    id_student  int NULL,
    action      char(1) NOT NULL,             -- I inserted, U changed, D deleted
    column_name nvarchar(128) NOT NULL,
    old_value   nvarchar(400) NULL,
    new_value   nvarchar(400) NULL
);
GO
IF INDEXPROPERTY(OBJECT_ID(N'dbo.zev_history'), N'zev_history_row', 'IndexID') IS NULL
    CREATE INDEX zev_history_row ON dbo.zev_history(table_name, row_key, id_history);
GO
IF INDEXPROPERTY(OBJECT_ID(N'dbo.zev_history'), N'zev_history_student', 'IndexID') IS NULL
    CREATE INDEX zev_history_student ON dbo.zev_history(id_student, id_history);
GO

GRANT SELECT ON dbo.zev_history TO zev_staff;
DENY INSERT, UPDATE, DELETE ON dbo.zev_history TO zev_staff;
GO

CREATE OR ALTER TRIGGER dbo.DisciplineForStudent_history ON dbo.DisciplineForStudent
AFTER INSERT, UPDATE, DELETE
AS
BEGIN
    SET NOCOUNT ON;
    IF NOT EXISTS (SELECT 1 FROM inserted) AND NOT EXISTS (SELECT 1 FROM deleted)
        RETURN;
    DECLARE @at datetime2(3) = SYSUTCDATETIME();
    DECLARE @login nvarchar(128) = CAST(SESSION_CONTEXT(N'zev_login') AS nvarchar(128));
    DECLARE @account nvarchar(128) = ORIGINAL_LOGIN();
    INSERT INTO dbo.zev_history (changed_at, zev_login, db_login, table_name, row_key,
                                 id_student, action, column_name, old_value, new_value)
    SELECT @at, @login, @account, N'DisciplineForStudent', COALESCE(i.id_disciplineForStudent, d.id_disciplineForStudent),
           COALESCE(i.id_student, d.id_student),
           CASE WHEN d.id_disciplineForStudent IS NULL THEN 'I' WHEN i.id_disciplineForStudent IS NULL THEN 'D' ELSE 'U' END,
           c.column_name, c.old_value, c.new_value
    FROM inserted AS i
    FULL OUTER JOIN deleted AS d ON d.id_disciplineForStudent = i.id_disciplineForStudent
    CROSS APPLY (VALUES
        (0, N'id_student', CAST(d.id_student AS nvarchar(400)), CAST(i.id_student AS nvarchar(400))),
        (1, N'id_speciality', CAST(d.id_speciality AS nvarchar(400)), CAST(i.id_speciality AS nvarchar(400))),
        (2, N'plan_a_year', CAST(d.plan_a_year AS nvarchar(400)), CAST(i.plan_a_year AS nvarchar(400))),
        (3, N'plan_semester', CAST(d.plan_semester AS nvarchar(400)), CAST(i.plan_semester AS nvarchar(400))),
        (4, N'id_group', CAST(d.id_group AS nvarchar(400)), CAST(i.id_group AS nvarchar(400))),
        (5, N'descGroupNum', CAST(d.descGroupNum AS nvarchar(400)), CAST(i.descGroupNum AS nvarchar(400))),
        (6, N'fixed_discipline', CAST(d.fixed_discipline AS nvarchar(400)), CAST(i.fixed_discipline AS nvarchar(400))),
        (7, N'p30', CAST(d.p30 AS nvarchar(400)), CAST(i.p30 AS nvarchar(400))),
        (8, N'id_discipline', CAST(d.id_discipline AS nvarchar(400)), CAST(i.id_discipline AS nvarchar(400))),
        (9, N'id_teacher', CAST(d.id_teacher AS nvarchar(400)), CAST(i.id_teacher AS nvarchar(400))),
        (10, N'ZEV_user', CAST(d.ZEV_user AS nvarchar(400)), CAST(i.ZEV_user AS nvarchar(400))),
        (11, N'id_examination', CAST(d.id_examination AS nvarchar(400)), CAST(i.id_examination AS nvarchar(400))),
        (12, N'subgroup', CAST(d.subgroup AS nvarchar(400)), CAST(i.subgroup AS nvarchar(400))),
        (13, N'id_semester', CAST(d.id_semester AS nvarchar(400)), CAST(i.id_semester AS nvarchar(400))),
        (14, N'id_a_year', CAST(d.id_a_year AS nvarchar(400)), CAST(i.id_a_year AS nvarchar(400)))
    ) AS c(ord, column_name, old_value, new_value)
    -- NULL and NULL are alike here, a value and NULL are not.
    WHERE EXISTS (SELECT c.old_value EXCEPT SELECT c.new_value)
    ORDER BY COALESCE(i.id_disciplineForStudent, d.id_disciplineForStudent), c.ord;
END
GO

CREATE OR ALTER TRIGGER dbo.DisciplineForStudent2_history ON dbo.DisciplineForStudent2
AFTER INSERT, UPDATE, DELETE
AS
BEGIN
    SET NOCOUNT ON;
    IF NOT EXISTS (SELECT 1 FROM inserted) AND NOT EXISTS (SELECT 1 FROM deleted)
        RETURN;
    DECLARE @at datetime2(3) = SYSUTCDATETIME();
    DECLARE @login nvarchar(128) = CAST(SESSION_CONTEXT(N'zev_login') AS nvarchar(128));
    DECLARE @account nvarchar(128) = ORIGINAL_LOGIN();
    INSERT INTO dbo.zev_history (changed_at, zev_login, db_login, table_name, row_key,
                                 id_student, action, column_name, old_value, new_value)
    SELECT @at, @login, @account, N'DisciplineForStudent2', COALESCE(i.id_disciplineForStudent2, d.id_disciplineForStudent2),
           COALESCE(i.id_student, d.id_student),
           CASE WHEN d.id_disciplineForStudent2 IS NULL THEN 'I' WHEN i.id_disciplineForStudent2 IS NULL THEN 'D' ELSE 'U' END,
           c.column_name, c.old_value, c.new_value
    FROM inserted AS i
    FULL OUTER JOIN deleted AS d ON d.id_disciplineForStudent2 = i.id_disciplineForStudent2
    CROSS APPLY (VALUES
        (0, N'id_student', CAST(d.id_student AS nvarchar(400)), CAST(i.id_student AS nvarchar(400))),
        (1, N'id_a_year', CAST(d.id_a_year AS nvarchar(400)), CAST(i.id_a_year AS nvarchar(400))),
        (2, N'id_semester', CAST(d.id_semester AS nvarchar(400)), CAST(i.id_semester AS nvarchar(400))),
        (3, N'id_kafedra', CAST(d.id_kafedra AS nvarchar(400)), CAST(i.id_kafedra AS nvarchar(400))),
        (4, N'id_discipline', CAST(d.id_discipline AS nvarchar(400)), CAST(i.id_discipline AS nvarchar(400))),
        (5, N'id_teacher', CAST(d.id_teacher AS nvarchar(400)), CAST(i.id_teacher AS nvarchar(400))),
        (6, N'subgroup', CAST(d.subgroup AS nvarchar(400)), CAST(i.subgroup AS nvarchar(400)))
    ) AS c(ord, column_name, old_value, new_value)
    -- NULL and NULL are alike here, a value and NULL are not.
    WHERE EXISTS (SELECT c.old_value EXCEPT SELECT c.new_value)
    ORDER BY COALESCE(i.id_disciplineForStudent2, d.id_disciplineForStudent2), c.ord;
END
GO

-- The history of one row of DisciplineForStudent or DisciplineForStudent2, newest first, with the
-- values named where a list of the database names them (a key that names nothing shows itself).
CREATE OR ALTER PROCEDURE dbo.GetRowHistory
    @table_name nvarchar(128),
    @row_key int
AS
-- result: id_history, changed_at, zev_login, db_login, table_name, row_key, id_student, action, column_name, old_value, new_value, old_text, new_text
BEGIN
    SET NOCOUNT ON;
    SELECT h.id_history, CONVERT(nvarchar(23), h.changed_at, 121) AS changed_at, h.zev_login,
           h.db_login, h.table_name, h.row_key, h.id_student, h.action, h.column_name,
           h.old_value, h.new_value,
           CASE
               WHEN h.old_value IS NULL THEN NULL
               WHEN h.column_name IN (N'id_discipline', N'fixed_discipline')
                   THEN COALESCE((SELECT p34 FROM dbo.discipline WHERE id_discipline = TRY_CAST(h.old_value AS int)), h.old_value)
               WHEN h.column_name IN (N'id_semester', N'plan_semester')
                   THEN COALESCE((SELECT p43 FROM dbo.Semester WHERE id_semester = TRY_CAST(h.old_value AS int)), h.old_value)
               WHEN h.column_name IN (N'id_a_year', N'plan_a_year')
                   THEN COALESCE((SELECT p32 FROM dbo.a_year WHERE id_a_year = TRY_CAST(h.old_value AS int)), h.old_value)
               WHEN h.column_name = N'id_teacher'
                   THEN COALESCE((SELECT t_fio FROM dbo.t_fio WHERE id_teacher = TRY_CAST(h.old_value AS int)), h.old_value)
               WHEN h.column_name = N'id_kafedra'
                   THEN COALESCE((SELECT f1 FROM dbo.kafedra WHERE id_kafedra = TRY_CAST(h.old_value AS int)), h.old_value)
               WHEN h.column_name = N'id_examination'
                   THEN COALESCE((SELECT name FROM dbo.examination WHERE id_examination = TRY_CAST(h.old_value AS int)), h.old_value)
               WHEN h.column_name = N'id_student'
                   THEN COALESCE((SELECT s_fio FROM dbo.s_fio WHERE id_student = TRY_CAST(h.old_value AS int)), h.old_value)
               WHEN h.column_name = N'id_group'
                   THEN COALESCE((SELECT p20 FROM dbo.[group] WHERE id_group = TRY_CAST(h.old_value AS int)), h.old_value)
               WHEN h.column_name = N'id_speciality'
                   THEN COALESCE((SELECT MIN([p25-2]) FROM dbo.Speciality_form WHERE id_speciality = TRY_CAST(h.old_value AS int)), h.old_value)
               ELSE h.old_value
           END AS old_text,
           CASE
               WHEN h.new_value IS NULL THEN NULL
               WHEN h.column_name IN (N'id_discipline', N'fixed_discipline')
                   THEN COALESCE((SELECT p34 FROM dbo.discipline WHERE id_discipline = TRY_CAST(h.new_value AS int)), h.new_value)
               WHEN h.column_name IN (N'id_semester', N'plan_semester')
                   THEN COALESCE((SELECT p43 FROM dbo.Semester WHERE id_semester = TRY_CAST(h.new_value AS int)), h.new_value)
               WHEN h.column_name IN (N'id_a_year', N'plan_a_year')
                   THEN COALESCE((SELECT p32 FROM dbo.a_year WHERE id_a_year = TRY_CAST(h.new_value AS int)), h.new_value)
               WHEN h.column_name = N'id_teacher'
                   THEN COALESCE((SELECT t_fio FROM dbo.t_fio WHERE id_teacher = TRY_CAST(h.new_value AS int)), h.new_value)
               WHEN h.column_name = N'id_kafedra'
                   THEN COALESCE((SELECT f1 FROM dbo.kafedra WHERE id_kafedra = TRY_CAST(h.new_value AS int)), h.new_value)
               WHEN h.column_name = N'id_examination'
                   THEN COALESCE((SELECT name FROM dbo.examination WHERE id_examination = TRY_CAST(h.new_value AS int)), h.new_value)
               WHEN h.column_name = N'id_student'
                   THEN COALESCE((SELECT s_fio FROM dbo.s_fio WHERE id_student = TRY_CAST(h.new_value AS int)), h.new_value)
               WHEN h.column_name = N'id_group'
                   THEN COALESCE((SELECT p20 FROM dbo.[group] WHERE id_group = TRY_CAST(h.new_value AS int)), h.new_value)
               WHEN h.column_name = N'id_speciality'
                   THEN COALESCE((SELECT MIN([p25-2]) FROM dbo.Speciality_form WHERE id_speciality = TRY_CAST(h.new_value AS int)), h.new_value)
               ELSE h.new_value
           END AS new_text
    FROM dbo.zev_history AS h
    WHERE h.table_name = @table_name AND h.row_key = @row_key
    ORDER BY h.id_history DESC;
END
GO

GRANT EXECUTE ON dbo.GetRowHistory TO zev_staff;
GO

-- The history of every row of one student in both tables, newest first, named as above.
CREATE OR ALTER PROCEDURE dbo.GetStudentHistory
    @id_student int
AS
-- result: id_history, changed_at, zev_login, db_login, table_name, row_key, id_student, action, column_name, old_value, new_value, old_text, new_text
BEGIN
    SET NOCOUNT ON;
    SELECT h.id_history, CONVERT(nvarchar(23), h.changed_at, 121) AS changed_at, h.zev_login,
           h.db_login, h.table_name, h.row_key, h.id_student, h.action, h.column_name,
           h.old_value, h.new_value,
           CASE
               WHEN h.old_value IS NULL THEN NULL
               WHEN h.column_name IN (N'id_discipline', N'fixed_discipline')
                   THEN COALESCE((SELECT p34 FROM dbo.discipline WHERE id_discipline = TRY_CAST(h.old_value AS int)), h.old_value)
               WHEN h.column_name IN (N'id_semester', N'plan_semester')
                   THEN COALESCE((SELECT p43 FROM dbo.Semester WHERE id_semester = TRY_CAST(h.old_value AS int)), h.old_value)
               WHEN h.column_name IN (N'id_a_year', N'plan_a_year')
                   THEN COALESCE((SELECT p32 FROM dbo.a_year WHERE id_a_year = TRY_CAST(h.old_value AS int)), h.old_value)
               WHEN h.column_name = N'id_teacher'
                   THEN COALESCE((SELECT t_fio FROM dbo.t_fio WHERE id_teacher = TRY_CAST(h.old_value AS int)), h.old_value)
               WHEN h.column_name = N'id_kafedra'
                   THEN COALESCE((SELECT f1 FROM dbo.kafedra WHERE id_kafedra = TRY_CAST(h.old_value AS int)), h.old_value)
               WHEN h.column_name = N'id_examination'
                   THEN COALESCE((SELECT name FROM dbo.examination WHERE id_examination = TRY_CAST(h.old_value AS int)), h.old_value)
               WHEN h.column_name = N'id_student'
                   THEN COALESCE((SELECT s_fio FROM dbo.s_fio WHERE id_student = TRY_CAST(h.old_value AS int)), h.old_value)
               WHEN h.column_name = N'id_group'
                   THEN COALESCE((SELECT p20 FROM dbo.[group] WHERE id_group = TRY_CAST(h.old_value AS int)), h.old_value)
               WHEN h.column_name = N'id_speciality'
                   THEN COALESCE((SELECT MIN([p25-2]) FROM dbo.Speciality_form WHERE id_speciality = TRY_CAST(h.old_value AS int)), h.old_value)
               ELSE h.old_value
           END AS old_text,
           CASE
               WHEN h.new_value IS NULL THEN NULL
               WHEN h.column_name IN (N'id_discipline', N'fixed_discipline')
                   THEN COALESCE((SELECT p34 FROM dbo.discipline WHERE id_discipline = TRY_CAST(h.new_value AS int)), h.new_value)
               WHEN h.column_name IN (N'id_semester', N'plan_semester')
                   THEN COALESCE((SELECT p43 FROM dbo.Semester WHERE id_semester = TRY_CAST(h.new_value AS int)), h.new_value)
               WHEN h.column_name IN (N'id_a_year', N'plan_a_year')
                   THEN COALESCE((SELECT p32 FROM dbo.a_year WHERE id_a_year = TRY_CAST(h.new_value AS int)), h.new_value)
               WHEN h.column_name = N'id_teacher'
                   THEN COALESCE((SELECT t_fio FROM dbo.t_fio WHERE id_teacher = TRY_CAST(h.new_value AS int)), h.new_value)
               WHEN h.column_name = N'id_kafedra'
                   THEN COALESCE((SELECT f1 FROM dbo.kafedra WHERE id_kafedra = TRY_CAST(h.new_value AS int)), h.new_value)
               WHEN h.column_name = N'id_examination'
                   THEN COALESCE((SELECT name FROM dbo.examination WHERE id_examination = TRY_CAST(h.new_value AS int)), h.new_value)
               WHEN h.column_name = N'id_student'
                   THEN COALESCE((SELECT s_fio FROM dbo.s_fio WHERE id_student = TRY_CAST(h.new_value AS int)), h.new_value)
               WHEN h.column_name = N'id_group'
                   THEN COALESCE((SELECT p20 FROM dbo.[group] WHERE id_group = TRY_CAST(h.new_value AS int)), h.new_value)
               WHEN h.column_name = N'id_speciality'
                   THEN COALESCE((SELECT MIN([p25-2]) FROM dbo.Speciality_form WHERE id_speciality = TRY_CAST(h.new_value AS int)), h.new_value)
               ELSE h.new_value
           END AS new_text
    FROM dbo.zev_history AS h
    WHERE h.id_student = @id_student
    ORDER BY h.id_history DESC;
END
GO

GRANT EXECUTE ON dbo.GetStudentHistory TO zev_staff;
GO
