CREATE OR REPLACE PACKAGE BODY pkg_report_jobs AS
  -- Scheduled reports: each row of report_schedules becomes a scheduler job
  -- that calls pkg_report_jobs.run_report with the schedule's id.

  FUNCTION job_name(p_schedule_id IN NUMBER) RETURN VARCHAR2 IS
  BEGIN
    RETURN 'REPORT_' || TO_CHAR(p_schedule_id, 'FM000000');
  END job_name;

  PROCEDURE sync_jobs IS
    l_jobs   SYS_REFCURSOR;
    l_id     report_schedules.schedule_id%TYPE;
    l_cron   report_schedules.repeat_interval%TYPE;
    l_active report_schedules.active%TYPE;
    l_exists PLS_INTEGER;

    PROCEDURE drop_job(p_name IN VARCHAR2) IS
    BEGIN
      dbms_scheduler.drop_job(job_name => p_name, force => TRUE);
    EXCEPTION
      WHEN OTHERS THEN
        IF SQLCODE <> -27475 THEN -- job does not exist
          RAISE;
        END IF;
    END drop_job;

  BEGIN
    OPEN l_jobs FOR
      SELECT schedule_id, repeat_interval, active
        FROM report_schedules;
    LOOP
      FETCH l_jobs INTO l_id, l_cron, l_active;
      EXIT WHEN l_jobs%NOTFOUND;
      SELECT COUNT(*) INTO l_exists FROM user_scheduler_jobs WHERE job_name = job_name(l_id);
      CASE
        WHEN l_active = 'N' THEN
          drop_job(job_name(l_id));
        WHEN l_exists = 0 THEN
          dbms_scheduler.create_job(
            job_name        => job_name(l_id),
            job_type        => 'PLSQL_BLOCK',
            job_action      => 'BEGIN pkg_report_jobs.run_report(' || l_id || '); END;',
            repeat_interval => l_cron,
            enabled         => TRUE);
        ELSE
          dbms_scheduler.set_attribute(job_name(l_id), 'repeat_interval', l_cron);
      END CASE;
    END LOOP;
    CLOSE l_jobs;
  EXCEPTION
    WHEN OTHERS THEN
      IF l_jobs%ISOPEN THEN
        CLOSE l_jobs;
      END IF;
      RAISE;
  END sync_jobs;

  PROCEDURE run_report(p_schedule_id IN NUMBER) IS
    l_report  report_schedules.report_code%TYPE;
    l_mail_to report_schedules.mail_to%TYPE;
    l_output  CLOB;
  BEGIN
    SELECT report_code, mail_to INTO l_report, l_mail_to
      FROM report_schedules
     WHERE schedule_id = p_schedule_id;
    l_output := pkg_reports.render(l_report);
    pkg_mail.send(l_mail_to, 'Report ' || l_report, l_output);
    UPDATE report_schedules SET last_run = SYSDATE, last_error = NULL WHERE schedule_id = p_schedule_id;
    COMMIT;
  EXCEPTION
    WHEN OTHERS THEN
      ROLLBACK;
      UPDATE report_schedules SET last_error = SUBSTR(SQLERRM, 1, 400) WHERE schedule_id = p_schedule_id;
      COMMIT;
  END run_report;

END pkg_report_jobs;
/
